# jvmhost.exe: GUI subsystem, the Java host and the print relay.
add_executable(jvmhost WIN32
  ${CMAKE_SOURCE_DIR}/host/main.cpp
  ${CMAKE_SOURCE_DIR}/host/entry.cpp
)
target_link_libraries(jvmhost PRIVATE jvmhost_host jvmhost_relay shell32)
if(EXISTS ${CMAKE_SOURCE_DIR}/host/resources/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/host/resources ${CMAKE_BINARY_DIR}/host/resources)
endif()
