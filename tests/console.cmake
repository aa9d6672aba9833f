# The native console program end to end: it runs in a scratch folder, writes
# the report there and prints the list.
if(TARNWICK_PLATFORM STREQUAL "linux")
  add_test(NAME console_program_writes_report
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tarnwick> -DWORK=${CMAKE_CURRENT_BINARY_DIR}/console-run
            -P ${CMAKE_CURRENT_SOURCE_DIR}/checks/console_check.cmake)
endif()
