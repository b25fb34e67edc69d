# Session printing of a capture of 1 million records to PDF against one screen layout (QV_GUI only).
if(QV_GUI)
  add_executable(bench_print PrintBench.cpp)
  qv_warnings(bench_print)
  target_link_libraries(bench_print PRIVATE qv_display benchmark::benchmark)
endif()
