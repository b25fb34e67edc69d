# The trace control, recall dialog and volt meter rules without Qt (every build, sanitizers too).
qv_test(trace_forms_model_test SOURCES forms_model_test.cpp meter_model_test.cpp LIBS qv_trace_model)
