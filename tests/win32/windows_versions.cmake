# The edition logic against the version facts Wine gives for four Windows versions.
add_test(NAME wine_windows_versions
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_versions.sh $<TARGET_FILE:tarnwick-cli>)
set_tests_properties(wine_windows_versions PROPERTIES TIMEOUT 600)
