# The signal-trace view offscreen: drawing, mouse, intake hooks and printing.
qv_test(trace_view_test SOURCES signal_trace_view_test.cpp
        LIBS qv_trace qv_shell qv_shell_test_support qv_frame_test_support)
qv_test(trace_stream_e2e_test SOURCES trace_stream_e2e_test.cpp LABEL e2e
        LIBS qv_trace qv_shell qv_shell_test_support qv_frame_test_support)
