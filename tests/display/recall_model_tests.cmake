# The recall dialog's rows and the read-out panel's signal-trace rows, without Qt.
qv_test(display_recall_model_test SOURCES recall_rows_test.cpp trace_readout_rows_test.cpp LIBS qv_display_model)
