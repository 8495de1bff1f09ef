# What ships: jvmhost.exe and printersetup.exe, stripped.  Each program's
# debug information goes into <program>.debug beside it in the build folder,
# and the program names that file in a debug link (.gnu_debuglink: the file's
# name and a CRC of its bytes), so a debugger given the shipped program and
# the build's .debug file reads it in full.  The build folder's programs are
# the stripped ones: the tests run exactly what ships.
# `cmake --install <build> --prefix DIR` puts the two programs in DIR/bin and
# nothing else: no debug file, no tool, no test; signed there when
# JVMHOST_SIGN_PKCS12 is set (release_signing.cmake).
#
# objcopy writes the time of day into the PE header of every file it writes,
# as the linker would without --no-insert-timestamp, unless SOURCE_DATE_EPOCH
# names a time: 0, the linker's value, keeps both files reproducible (the
# debug file's bytes reach the program through the debug link's CRC).
function(ship_program target)
  set(program $<TARGET_FILE:${target}>)
  set(debug_file $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.debug)
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${program} ${debug_file}
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${debug_file} ${program}
    COMMENT "Stripping ${target}; its debug information goes to ${target}.debug"
    VERBATIM)
  install(TARGETS ${target} RUNTIME DESTINATION bin)
  sign_installed_program(${target})
endfunction()
