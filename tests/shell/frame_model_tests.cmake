# The main frame's Qt-free rules: state synchronisation, tab strip, command rules, volume steps,
# download progress, splash shape, pane texts and device-change decisions. Every build.
qv_test(shell_frame_model_test SOURCES frame_sync_model_test.cpp frame_rules_model_test.cpp
        LIBS qv_shell_model)
