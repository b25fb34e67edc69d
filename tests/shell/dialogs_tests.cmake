# The dialogs as widgets: find, About with its link, the clock dialog and the configuration
# dialog without an instrument, on the application in-process (AppFixture).
find_package(Qt6 REQUIRED COMPONENTS Test)
qv_test(shell_dialogs_test SOURCES dialogs_test.cpp LIBS qv_shell_test_support Qt6::Test)
