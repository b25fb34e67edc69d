# The signal trace printed and marked inside the whole application (offscreen, no instrument);
# the PDF is read back with the display tests' poppler reader.
qv_test(trace_print_test SOURCES trace_print_test.cpp "${PROJECT_SOURCE_DIR}/tests/display/PdfText.cpp"
        LIBS qv_trace qv_shell qv_shell_test_support)
