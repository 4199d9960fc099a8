adsl_test(tst_modemnokiaconfscreen SOURCES tst_modemnokiaconfscreen.cpp GUI)
adsl_test(tst_modemoptionsscreen SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_modemoptionsscreen.cpp GUI)
