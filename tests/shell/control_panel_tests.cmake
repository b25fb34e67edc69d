find_package(Qt6 REQUIRED COMPONENTS Test)
# The control panel's form in the running application without an instrument: the form applies
# the panel rules, the activity buttons' boxes and stops, the end-of-capture box, Find, and the
# standard combo box widget. Requests go to a recorder instead of the worker.
qv_test(shell_control_panel_test SOURCES control_panel_test.cpp LIBS qv_frame_test_support Qt6::Test)
