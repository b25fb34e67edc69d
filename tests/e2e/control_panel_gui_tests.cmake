# The control panel with the application in-process, the worker, the driver and the simulated
# instrument: capture start and stop with each "Options", the activity buttons on the wire, the
# V.21 standard by firmware version and the highlight choice across a restart.
qv_test(e2e_control_panel_gui_test SOURCES control_panel_gui_test.cpp LIBS qv_frame_test_support)
