# The INF reader on a 16 MB INF, and the start with 1 and with 50 stored packages.
add_executable(bench_inf_reader "${CMAKE_CURRENT_SOURCE_DIR}/InfReaderBench.cpp")
qv_warnings(bench_inf_reader)
target_link_libraries(bench_inf_reader PRIVATE qv_install qv_driver qv_sim qv_machine benchmark::benchmark)
