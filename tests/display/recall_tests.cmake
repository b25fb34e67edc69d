# The recall dialog and the read-out panel's signal-trace mode on Qt's offscreen platform.
qv_test(display_recall_widget_test SOURCES recall_dialog_test.cpp trace_readout_panel_test.cpp
        LIBS qv_display qv_shell_test_support)
