# The session view and the read-out panel on Qt's offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test)
qv_test(display_widget_test SOURCES DisplayTestData.cpp session_view_test.cpp
        LIBS qv_display qv_shell_test_support qv_frame_test_support Qt6::Test)
