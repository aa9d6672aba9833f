# The edition logic against the version facts Wine gives for four Windows versions,
# and the true version and build under Windows 7, 8.1 and 10.
add_test(NAME wine_windows_versions
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_versions.sh $<TARGET_FILE:tarnwick-cli>)
set_tests_properties(wine_windows_versions PROPERTIES TIMEOUT 600)
