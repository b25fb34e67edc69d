# Session printing and the capture text view on Qt's offscreen platform; PDFs read back with
# poppler-utils (pdfinfo, pdftotext).
find_package(Qt6 REQUIRED COMPONENTS Test)
qv_test(display_print_test
  SOURCES DisplayTestData.cpp PdfText.cpp session_print_test.cpp capture_view_test.cpp
  LIBS qv_display qv_shell_test_support qv_frame_test_support Qt6::Test)
