# DirectShow under Wine: the unit tests register fake filters through the
# system's filter mapper; the "Filter Name" entries of tarnwick-cli.exe are
# compared with what a separate program enumerates in the same categories.
target_link_libraries(tarnwick_win_tests PRIVATE strmiids)

add_executable(filter_probe ${CMAKE_CURRENT_SOURCE_DIR}/filter_probe.cpp)
target_link_libraries(filter_probe PRIVATE ole32 oleaut32)

add_test(NAME wine_filter_names
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/filter_names.sh $<TARGET_FILE:tarnwick-cli> $<TARGET_FILE:filter_probe>
          ${CMAKE_CURRENT_BINARY_DIR}/filter-names-run)
set_tests_properties(wine_filter_names PROPERTIES TIMEOUT 300)
