# The application's Qt-free rules: settings, colours, title, command line, file dialogs, autosave,
# command update rules. Built in every build, the sanitizer build included.
qv_test(shell_app_model_test SOURCES app_settings_model_test.cpp app_rules_model_test.cpp LIBS qv_shell_model)
