# The dialogs' Qt-free rules: configuration values and what OK sends, the About box's version
# line, the clock's dates. Built in every build, the sanitizer build included.
qv_test(shell_dialogs_model_test SOURCES dialogs_model_test.cpp LIBS qv_shell_model)
