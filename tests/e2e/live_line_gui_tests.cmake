# The program's default line with every window main() registers: capture, triggered trace, DTMF
# decoder and volt meter each find something on it.
qv_test(e2e_live_line_gui_test SOURCES live_line_gui_test.cpp
        LIBS qv_shell_test_support qv_display qv_trace qv_maintenance)
# A wrong QUORLAN_SCENARIO, given to the program itself.
qv_test(e2e_scenario_choice_test SOURCES scenario_choice_test.cpp LIBS Qt6::Core)
add_dependencies(e2e_scenario_choice_test quorlan-view)
target_compile_definitions(e2e_scenario_choice_test PRIVATE QV_PROGRAM_PATH="$<TARGET_FILE:quorlan-view>")
