# Authenticode signing of what ships.  With JVMHOST_SIGN_PKCS12 set,
# `cmake --install` and the package put signed copies of jvmhost.exe and
# printersetup.exe in place of the unsigned ones (osslsigncode, SHA-256); the
# build folder's programs stay unsigned, and so does everything when it is
# unset.  docs/release.md tells how to sign a release.
#
# The password is never read here: the cache holds the path of its file, and
# at signing time the file's first line goes through a pipe into osslsigncode
# (-readpass), so no cache entry, command line, log or file of the build
# folder holds it.  The PKCS#12 file too is read only at signing time.
# The signature's description, as the UAC prompt ("Program name") and the
# signature's details show it: the product's name and its web address.
# osslsigncode writes the name as an ASCII string (IA5String): 青禾舟 would
# reach Windows as its UTF-8 bytes and show as mojibake, so the name is spelt
# in Latin letters.
set(JVMHOST_SIGNATURE_NAME "Qinghezhou")
set(JVMHOST_SIGNATURE_URL "https://www.qinghezhou.com/")

set(JVMHOST_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file with the code-signing key and its certificate chain; set: the install and the package sign both programs")
set(JVMHOST_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File whose first line is the password of JVMHOST_SIGN_PKCS12")
set(JVMHOST_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamping service (optional): the signatures then stay valid after the certificate expires")

if(JVMHOST_SIGN_PKCS12)
  if(NOT JVMHOST_SIGN_PASSWORD_FILE)
    message(FATAL_ERROR "JVMHOST_SIGN_PKCS12 is set but JVMHOST_SIGN_PASSWORD_FILE is not: "
                        "name the file whose first line is the PKCS#12 file's password")
  endif()
  if(NOT JVMHOST_SIGNATURE_NAME MATCHES "^[ -~]+$")
    message(FATAL_ERROR "the signature's name \"${JVMHOST_SIGNATURE_NAME}\" is not printable ASCII")
  endif()
  find_program(OSSLSIGNCODE_EXECUTABLE osslsigncode)
  if(NOT OSSLSIGNCODE_EXECUTABLE)
    message(FATAL_ERROR "osslsigncode not found: it signs the programs (Debian package osslsigncode; ./setup.sh installs it)")
  endif()
  # Only looked for: a key kept on a removable or encrypted volume need be
  # there only while the install or the package runs.
  foreach(file IN ITEMS "${JVMHOST_SIGN_PKCS12}" "${JVMHOST_SIGN_PASSWORD_FILE}")
    if(NOT EXISTS "${file}")
      message(WARNING "${file} is not there now; it must be when `cmake --install` or the package runs")
    endif()
  endforeach()
  if(JVMHOST_SIGN_TIMESTAMP_URL)
    message(STATUS "Signing jvmhost.exe and printersetup.exe at install, time-stamped by ${JVMHOST_SIGN_TIMESTAMP_URL}")
  else()
    message(STATUS "Signing jvmhost.exe and printersetup.exe at install, without a time stamp")
  endif()
endif()

# sign_installed_program(TARGET): after TARGET's install rule, signs the
# installed program in place; nothing when signing is off.  The signature's
# description is the product's name and its web address.
function(sign_installed_program target)
  if(NOT JVMHOST_SIGN_PKCS12)
    return()
  endif()
  install(CODE "
    set(SIGN_FILE_NAME [[$<TARGET_FILE_NAME:${target}>]])
    set(SIGN_OSSLSIGNCODE [[${OSSLSIGNCODE_EXECUTABLE}]])
    set(SIGN_PKCS12 [[${JVMHOST_SIGN_PKCS12}]])
    set(SIGN_PASSWORD_FILE [[${JVMHOST_SIGN_PASSWORD_FILE}]])
    set(SIGN_TIMESTAMP_URL [[${JVMHOST_SIGN_TIMESTAMP_URL}]])
    set(SIGN_DESCRIPTION [[${JVMHOST_SIGNATURE_NAME}]])
    set(SIGN_URL [[${JVMHOST_SIGNATURE_URL}]])
    include([[${CMAKE_SOURCE_DIR}/cmake/sign_program.cmake]])")
endfunction()
