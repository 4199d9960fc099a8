adsl_test(tst_passwordstore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_passwordstore.cpp)
