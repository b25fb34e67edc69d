# Stored-trace recall through the whole stack without a window: the slot bound of the download.
qv_test(e2e_trace_recall_bound_test SOURCES trace_recall_bound_test.cpp LIBS qv_e2e_rig)
