# Through the real serial port: a pseudo-terminal with the modem simulator
# (tools/modemsim) at the far end. Not on Windows, which has no ptys.
adsl_test(test_portname SOURCES tst_portname.cpp)

if(UNIX)
    function(adsl_modemsim_test name)
        adsl_test(${name} ${ARGN})
        target_sources(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/modemsimprocess.h)
        target_compile_definitions(${name} PRIVATE MODEMSIM_PATH="$<TARGET_FILE:modemsim>")
        add_dependencies(${name} modemsim)
    endfunction()

    adsl_modemsim_test(test_qtseriallink SOURCES tst_qtseriallink.cpp)
    adsl_modemsim_test(test_transfer_e2e SOURCES tst_transfer_e2e.cpp)
endif()
