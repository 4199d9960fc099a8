adsl_test(tst_configscript SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_configscript.cpp)
