# The capture display with the application in-process: calls captured through the worker, the
# driver and the simulated instrument, shown live in the session view and read out on hover.
qv_test(e2e_display_gui_test SOURCES display_gui_test.cpp LIBS qv_shell_test_support qv_display)
