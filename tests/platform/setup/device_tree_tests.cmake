# The setup calls that change the device tree: install on the root bus, driver update, property
# changes, the configuration manager's status and re-enumeration, file names and the restart.
qv_test(setup_device_tree_test SOURCES DeviceTreeRig.cpp device_tree_test.cpp device_tree_calls_test.cpp
        LIBS qv_setup_test_support qv_root_test_driver)
