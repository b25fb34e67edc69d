# The signal trace's scope render by samples and plot width (QV_GUI only).
if(QV_GUI)
  add_executable(bench_trace_render TraceRenderBench.cpp)
  qv_warnings(bench_trace_render)
  target_link_libraries(bench_trace_render PRIVATE qv_trace benchmark::benchmark)
endif()
