# Through the real serial port: a pseudo-terminal with the modem simulator
# (tools/modemsim) at the far end. Not on Windows, which has no ptys.
if(UNIX)
    adsl_test(tst_serial_e2e SOURCES tst_serial_e2e.cpp)
    target_compile_definitions(tst_serial_e2e PRIVATE MODEMSIM_PATH="$<TARGET_FILE:modemsim>")
    add_dependencies(tst_serial_e2e modemsim)
endif()
