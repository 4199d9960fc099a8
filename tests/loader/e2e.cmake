# Through the real serial port: a pseudo-terminal with the modem simulator
# (tools/modemsim) at the far end. Not on Windows, which has no ptys.
if(UNIX)
    adsl_test(test_serial_e2e SOURCES tst_serial_e2e.cpp)
    target_compile_definitions(test_serial_e2e PRIVATE MODEMSIM_PATH="$<TARGET_FILE:modemsim>")
    add_dependencies(test_serial_e2e modemsim)
endif()
