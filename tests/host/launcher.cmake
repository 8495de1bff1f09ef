# The real jvmhost.exe started as the user or the port monitor starts it,
# against the stand-in Java runtime.  Included from CMakeLists.txt here.
if(TARGET jvmhost)
  add_executable(launcher_test launcher_test.cpp)
  target_link_libraries(launcher_test PRIVATE jvmhost_test_support)
  add_dependencies(launcher_test jvmhost fakejvm)
  jvmhost_add_gtest(launcher_test)
endif()
