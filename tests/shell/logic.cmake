adsl_test(tst_textfile SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_textfile.cpp)
adsl_test(tst_crashconsistency SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_crashconsistency.cpp)
adsl_test(tst_datafolder SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_datafolder.cpp)
