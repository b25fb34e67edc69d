# Session printing's pages and the capture text view's layout, without Qt (every build).
qv_test(display_print_model_test
  SOURCES DisplayTestData.cpp print_pages_test.cpp capture_text_test.cpp
  LIBS qv_display_model)
