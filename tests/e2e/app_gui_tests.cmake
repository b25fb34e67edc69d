# The application in-process on a test Machine with the worker, the driver and the simulated
# instrument (tests/shell/AppFixture): files, closing, start-up and settings.
qv_test(e2e_app_files_test SOURCES app_files_test.cpp LIBS qv_shell_test_support)
qv_test(e2e_app_close_test SOURCES app_close_test.cpp LIBS qv_shell_test_support)
qv_test(e2e_app_commands_test SOURCES app_commands_test.cpp LIBS qv_shell_test_support)
qv_test(e2e_app_startup_test SOURCES app_startup_test.cpp LIBS qv_shell_test_support)
# A second instance is started as the program itself.
add_dependencies(e2e_app_startup_test quorlan-view)
target_compile_definitions(e2e_app_startup_test PRIVATE QV_PROGRAM_PATH="$<TARGET_FILE:quorlan-view>")
