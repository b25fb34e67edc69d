# Qt tests of the application object, settings, prompts and the document.
qv_test(shell_simulated_system_test SOURCES simulated_system_test.cpp LIBS qv_app)

# The application in-process on a test Machine (AppFixture), shared with the frame's tests.
add_library(qv_shell_test_support STATIC AppFixture.cpp AppFixture.h)
qv_warnings(qv_shell_test_support)
target_link_libraries(qv_shell_test_support PUBLIC qv_shell qv_sim qv_machine qv_driver_install GTest::gtest)

qv_test(shell_app_prompt_test SOURCES app_prompt_test.cpp LIBS qv_shell_test_support)

# The README's run command as a newcomer types it; only where it builds: this build folder.
if(CMAKE_BINARY_DIR STREQUAL "${PROJECT_SOURCE_DIR}/build" AND NOT QV_SANITIZE AND NOT QV_TSAN)
  add_test(NAME shell_run_command
           COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/run_command_check.sh" "${PROJECT_SOURCE_DIR}")
  set_tests_properties(shell_run_command PROPERTIES LABELS shell TIMEOUT 300)
endif()
