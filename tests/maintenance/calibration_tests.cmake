# The development dialog's Qt-free half: the calibration procedure with its validity rule, store,
# bar and read-back counting; the meter-frame texts, the save string and the HDLC test capture.
qv_test(calibration_procedure_test SOURCES calibration_procedure_test.cpp LIBS qv_calibration)
qv_test(develop_texts_test SOURCES develop_texts_test.cpp LIBS qv_calibration)
