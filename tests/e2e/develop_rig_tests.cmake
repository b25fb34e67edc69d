# The development dialog's device half and the calibration block through the whole stack, without
# windows (every build).
qv_test(e2e_develop_rig_test SOURCES develop_rig_test.cpp LIBS qv_e2e_rig qv_calibration)
