# The development dialog in the application, opened with 32774, with the worker, the driver and
# the simulated instrument: opening, raw traffic, meter dump, buttons and a calibration run.
qv_test(e2e_develop_gui_test SOURCES develop_gui_test.cpp LIBS qv_frame_test_support qv_maintenance)
