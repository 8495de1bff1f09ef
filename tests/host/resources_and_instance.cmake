# jvmhost's resources and the single-instance guard, tested against the
# built programs and with real processes.  Included from CMakeLists.txt here.

# The resources normally come with the jvmhost program target; until that
# exists they are built here for the probe.
if(NOT TARGET jvmhost_resources)
  add_subdirectory(${CMAKE_SOURCE_DIR}/host/resources ${CMAKE_BINARY_DIR}/host/resources)
endif()

add_executable(resource_probe WIN32 resource_probe.cpp)
target_link_libraries(resource_probe PRIVATE jvmhost_resources)

add_executable(resources_test resources_test.cpp)
target_link_libraries(resources_test PRIVATE jvmhost_test_support)
add_dependencies(resources_test resource_probe)
if(TARGET jvmhost)
  add_dependencies(resources_test jvmhost)
endif()
jvmhost_add_gtest(resources_test)

add_executable(stand_in_process stand_in_process.cpp)
add_executable(single_instance_driver WIN32 single_instance_driver.cpp)
target_link_libraries(single_instance_driver PRIVATE jvmhost_host)

add_executable(single_instance_test single_instance_test.cpp)
target_link_libraries(single_instance_test PRIVATE jvmhost_host)
add_dependencies(single_instance_test stand_in_process single_instance_driver)
jvmhost_add_gtest(single_instance_test)
