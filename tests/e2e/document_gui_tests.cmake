# The document with the whole program in-process (worker, driver, simulated instrument, the real
# panel, session view and dialogs): failed loads, Overwrite, recalled sessions on screen at once
# and event names that agree on screen, in CSV and in the file.
qv_test(e2e_document_gui_test SOURCES document_gui_test.cpp
        LIBS qv_shell_test_support qv_frame_test_support qv_display qv_trace qv_maintenance)
