# The device console: its rows run through the table against an in-process machine with the
# instrument and a root-enumerated test node, and its dump operations on seeded nodes.
qv_test(console_test SOURCES console_commands_test.cpp console_dump_test.cpp ConsoleRig.cpp
        LIBS qv_console qv_setup_test_support)
