adsl_test(tst_changepassscreen SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_changepassscreen.cpp GUI)
