# The signal trace printed and marked inside the whole application (offscreen, no instrument).
qv_test(trace_print_test SOURCES trace_print_test.cpp
        LIBS qv_trace qv_shell qv_shell_test_support)
