# The desk's store, table and page: unit tables in tarnwick_tests, a kill
# test of index, and the page in headless Chromium.
if(TARGET tarnwick_desk_store)
  target_link_libraries(tarnwick_tests PRIVATE tarnwick_desk_store)
endif()
if(TARGET tarnwick-desk)
  add_test(NAME desk_store_commands
    COMMAND ${CMAKE_COMMAND} -DDESK=$<TARGET_FILE:tarnwick-desk> -DFIXTURES=${CMAKE_CURRENT_LIST_DIR}/desk
            -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/desk_store_commands -P ${CMAKE_CURRENT_LIST_DIR}/checks/desk_store_check.cmake)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_FOUND)
    add_test(NAME desk_store_kill
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/desk_store_kill.py $<TARGET_FILE:tarnwick-desk>
              ${CMAKE_CURRENT_LIST_DIR}/desk/reports)
  endif()
  # Debian's python3, which python3-selenium installs into.
  find_program(TARNWICK_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(TARNWICK_DEBIAN_PYTHON)
    add_test(NAME desk_page_browser
      COMMAND ${TARNWICK_DEBIAN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/desk_page_browser.py $<TARGET_FILE:tarnwick-desk>
              ${CMAKE_CURRENT_LIST_DIR}/desk ${CMAKE_BINARY_DIR}/artifacts/desk_page)
  endif()
endif()
