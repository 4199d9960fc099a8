adsl_test(tst_inputfrommodem SOURCES tst_inputfrommodem.cpp GUI)
