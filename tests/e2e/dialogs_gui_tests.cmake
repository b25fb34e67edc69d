# The dialogs and the application commands through the whole stack: the application in-process
# with the worker, the driver and the simulated instrument, and scripted prompts.
qv_test(e2e_dialogs_gui_test SOURCES dialogs_gui_test.cpp LIBS qv_shell_test_support)
