# The recall dialog and the trace read-out with the application in-process: the directory and the
# recalled session through the worker, the driver and the simulated instrument's nine sessions,
# and the signal-trace view's double-click filling the read-out's marker rows.
qv_test(e2e_recall_gui_test SOURCES recall_gui_test.cpp
        LIBS qv_shell_test_support qv_frame_test_support qv_display qv_trace)
