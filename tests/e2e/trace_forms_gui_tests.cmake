# The trace control, the stored-trace recall dialog, the volt meter and the DTMF decoder with the
# application in-process, through the worker, the driver and the simulated instrument.
qv_test(e2e_trace_forms_gui_test SOURCES trace_forms_gui_test.cpp LIBS qv_shell_test_support qv_trace)
