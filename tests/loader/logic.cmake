adsl_test(tst_transferlog SOURCES tst_transferlog.cpp)
adsl_test(tst_transferdialogue SOURCES tst_transferdialogue.cpp)
adsl_test(tst_portname SOURCES tst_portname.cpp)
