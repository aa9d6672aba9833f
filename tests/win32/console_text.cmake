# tarnwick-cli.exe's texts in a console and redirected.
add_executable(console_probe ${CMAKE_CURRENT_SOURCE_DIR}/console_probe.cpp)
add_test(NAME wine_console_text
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/console_text.sh $<TARGET_FILE:tarnwick-cli> $<TARGET_FILE:console_probe>)
set_tests_properties(wine_console_text PROPERTIES TIMEOUT 400)
