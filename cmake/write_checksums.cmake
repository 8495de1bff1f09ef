# Writes SHA256SUMS beside the staged programs of the distributable, in the
# form `sha256sum -c` reads: the hash, two spaces, the path from the folder.
file(GLOB_RECURSE staged RELATIVE ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*)
list(REMOVE_ITEM staged SHA256SUMS)
list(SORT staged)
set(sums "")
foreach(file IN LISTS staged)
  file(SHA256 ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${file} hash)
  string(APPEND sums "${hash}  ${file}\n")
endforeach()
if(sums STREQUAL "")
  message(FATAL_ERROR "nothing staged in ${CPACK_TEMPORARY_INSTALL_DIRECTORY} to list in SHA256SUMS")
endif()
file(WRITE ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/SHA256SUMS "${sums}")
