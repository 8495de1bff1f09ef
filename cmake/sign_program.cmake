# Signs one installed program in place, at install time: included by the
# install rule that release_signing.cmake adds right after the program's own.
# In: SIGN_FILE_NAME, the program's file name; SIGN_OSSLSIGNCODE; SIGN_PKCS12
# and SIGN_PASSWORD_FILE; the optional SIGN_TIMESTAMP_URL; SIGN_DESCRIPTION
# and SIGN_URL, the signature's description.  On failure the install stops
# and the unsigned program is removed, so an install that was to be signed
# never leaves one in its place.
#
# The password file's first line goes to osslsigncode through a pipe
# (-readpass /dev/stdin): it is on no command line, in no variable and in no
# file here.  osslsigncode strips the line's end (CR LF too) and a UTF-8 BOM.
# -comm: the publisher is a company (Microsoft's commercial code-signing
# purpose, not the individual one).  The signature holds the time of signing,
# so two signings of a program differ there; what they sign, the program's
# Authenticode digest, is the same.

# Where the install rule put it: the last file it recorded (absolute, however
# the prefix was given), below DESTDIR, where it wrote.
list(GET CMAKE_INSTALL_MANIFEST_FILES -1 installed)
get_filename_component(installed_name "${installed}" NAME)
if(NOT installed_name STREQUAL SIGN_FILE_NAME)
  message(FATAL_ERROR "cannot sign ${SIGN_FILE_NAME}: the install rule before this one installed ${installed}")
endif()
set(SIGN_PROGRAM "$ENV{DESTDIR}${installed}")

foreach(file IN ITEMS "${SIGN_PKCS12}" "${SIGN_PASSWORD_FILE}")
  if(NOT EXISTS "${file}")
    file(REMOVE "${SIGN_PROGRAM}")
    message(FATAL_ERROR "cannot sign ${SIGN_PROGRAM}: ${file} is not there")
  endif()
endforeach()

message(STATUS "Signing: ${SIGN_PROGRAM}")
set(signed "${SIGN_PROGRAM}.signed")
file(REMOVE "${signed}")
set(timestamp "")
if(SIGN_TIMESTAMP_URL)
  set(timestamp -ts "${SIGN_TIMESTAMP_URL}")
endif()
execute_process(
  COMMAND head -n 1 -- "${SIGN_PASSWORD_FILE}"
  COMMAND "${SIGN_OSSLSIGNCODE}" sign -pkcs12 "${SIGN_PKCS12}" -readpass /dev/stdin -h sha256 -comm
          -n "${SIGN_DESCRIPTION}" -i "${SIGN_URL}" ${timestamp} -in "${SIGN_PROGRAM}" -out "${signed}"
  RESULTS_VARIABLE results
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT results STREQUAL "0;0" OR NOT EXISTS "${signed}")
  file(REMOVE "${signed}" "${SIGN_PROGRAM}")
  message(FATAL_ERROR "signing ${SIGN_PROGRAM} failed (head, osslsigncode: ${results}):\n${output}")
endif()
file(RENAME "${signed}" "${SIGN_PROGRAM}")
# As the install rule leaves a program.
file(CHMOD "${SIGN_PROGRAM}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
