# The desk's tests link its library; its commands run end to end on the
# reports in tests/desk/reports and the expected reports of tests/hosts.
if(TARGET tarnwick_desk)
  target_link_libraries(tarnwick_tests PRIVATE tarnwick_desk)
endif()
if(TARGET tarnwick-desk)
  add_test(NAME desk_commands
    COMMAND ${CMAKE_COMMAND} -DDESK=$<TARGET_FILE:tarnwick-desk> -DREPORTS=${CMAKE_CURRENT_SOURCE_DIR}/desk/reports
            -DHOSTS=${CMAKE_CURRENT_SOURCE_DIR}/hosts
            -P ${CMAKE_CURRENT_SOURCE_DIR}/checks/desk_check.cmake)
endif()
