adsl_test(tst_shell SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_shell.cpp GUI)
