# The trace control, the recall dialog, the volt meter and the DTMF decoder offscreen, with the
# worker's requests recorded.
qv_test(trace_forms_test SOURCES forms_test.cpp meter_view_test.cpp
        LIBS qv_trace qv_shell qv_shell_test_support qv_frame_test_support)
