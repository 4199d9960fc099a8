adsl_test(tst_confadslscreen SOURCES tst_confadslscreen.cpp GUI)
