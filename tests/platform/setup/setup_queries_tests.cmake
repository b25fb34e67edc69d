# The query calls of the setup layer: classes and their keys, the store as files, logical
# configurations, driver keys and lists, run-time loading, and every handle back at zero.
qv_test(setup_queries_test SOURCES setup_queries_test.cpp setup_resources_test.cpp LIBS qv_setup_test_support)
