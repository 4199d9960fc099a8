adsl_test(tst_netmask SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_netmask.cpp)
