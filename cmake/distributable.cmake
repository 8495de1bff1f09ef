# The distributable: `cmake --build <build> --target package` (or cpack in the
# build folder) makes <build>/jvmhost-<version>-win64.zip, one folder holding
# bin/jvmhost.exe, bin/printersetup.exe (what `cmake --install` installs) and
# SHA256SUMS, the list `sha256sum -c SHA256SUMS` checks in that folder.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Run on the staged files just before they are packed.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/write_checksums.cmake)
include(CPack)
