# The root bus of the devices setup creates: their PDOs, persistence across loads, disabling,
# enabling, new ids, removal and re-enumeration, served by a small root test driver.
add_library(qv_root_test_driver STATIC RootTestDriver.cpp)
qv_warnings(qv_root_test_driver)
target_link_libraries(qv_root_test_driver PUBLIC qv_machine)
qv_test(machine_root_test SOURCES root_enumerator_test.cpp LIBS qv_root_test_driver qv_machine)
