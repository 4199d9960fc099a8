adsl_test(tst_fieldrules SOURCES tst_fieldrules.cpp GUI)
