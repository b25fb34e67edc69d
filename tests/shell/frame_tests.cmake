find_package(Qt6 REQUIRED COMPONENTS Test)
# The main frame's Qt side: dispatch, tabs, bars, slider and the small dialogs, with the
# application in-process on a test Machine (AppFixture) and recording stand-ins for the views.
add_library(qv_frame_test_support STATIC FrameTestSupport.cpp FontCheck.cpp)
qv_warnings(qv_frame_test_support)
target_link_libraries(qv_frame_test_support PUBLIC qv_shell qv_shell_test_support GTest::gtest)
qv_test(shell_main_frame_test SOURCES main_frame_test.cpp frame_dialogs_test.cpp
        LIBS qv_frame_test_support Qt6::Test)
