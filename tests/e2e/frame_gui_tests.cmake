# The main frame with the worker, the driver and the simulated instrument in one process: start
# and plug-in, unplug, firmware download with its progress dialog.
qv_test(e2e_frame_gui_test SOURCES frame_gui_test.cpp LIBS qv_frame_test_support)
