# The volt meter running on the simulated instrument: meter ticks and repaints per second, and the
# user-interface thread's CPU (QV_GUI only).
if(QV_GUI)
  add_executable(bench_volt_meter VoltMeterBench.cpp)
  qv_warnings(bench_volt_meter)
  target_link_libraries(bench_volt_meter PRIVATE qv_shell qv_trace qv_sim qv_machine qv_driver_install
                        benchmark::benchmark)
endif()
