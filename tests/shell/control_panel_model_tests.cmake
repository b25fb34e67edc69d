# The control panel's Qt-free rules: the standard combo's list, the control/setting/sysCfg
# mappings, the selection and update rules and the activity buttons' plans. Every build.
qv_test(shell_control_panel_model_test SOURCES control_panel_model_test.cpp LIBS qv_shell_model)
