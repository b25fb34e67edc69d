find_package(Qt6 REQUIRED COMPONENTS Test)
# Every window at the program's fonts and the main window's two sizes, and the radio groups from
# the keyboard, with the application in-process, the worker, the driver and the instrument.
qv_test(e2e_layout_gui_test SOURCES layout_gui_test.cpp
        LIBS qv_frame_test_support qv_layout_check qv_display qv_trace qv_maintenance)
qv_test(e2e_radio_keys_gui_test SOURCES radio_keys_gui_test.cpp LIBS qv_shell_test_support Qt6::Test)
