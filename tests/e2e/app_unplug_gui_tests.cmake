# The whole program loses the instrument during each activity the user can start: one end
# notification, the worker at rest, the controls idle and a capture working after a replug.
qv_test(e2e_app_unplug_sweep_test SOURCES app_unplug_sweep_test.cpp LIBS qv_frame_test_support qv_trace)
