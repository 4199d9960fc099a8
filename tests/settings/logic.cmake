adsl_test(tst_servicesettings SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_servicesettings.cpp)
