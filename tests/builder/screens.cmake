adsl_test(tst_builderscreens SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_builderscreens.cpp GUI)
