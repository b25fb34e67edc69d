# The trace control, the stored-trace recall dialog, the volt meter and the DTMF decoder with the
# application in-process, through the worker, the driver and the simulated instrument.
qv_test(e2e_trace_forms_gui_test SOURCES trace_forms_gui_test.cpp LIBS qv_shell_test_support qv_trace)
# Faults a user met on the trace and meter tabs: the marker and the DC scale through the idle
# update, the volt meter after the control panel's line test, the read-out after a mouse move.
qv_test(e2e_trace_faults_gui_test SOURCES trace_faults_gui_test.cpp LIBS qv_shell_test_support qv_trace qv_display)
