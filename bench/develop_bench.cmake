# The development dialog's "1000 times" send of "VN" through the simulated stack (user-mode I/O,
# driver, bus, instrument), with the worker idling beside it. Goal: under 2 s.
add_executable(bench_develop "${CMAKE_CURRENT_SOURCE_DIR}/DevelopBench.cpp")
qv_warnings(bench_develop)
target_link_libraries(bench_develop PRIVATE qv_calibration qv_driver_install qv_sim qv_machine benchmark::benchmark)
