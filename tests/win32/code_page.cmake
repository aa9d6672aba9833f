# tarnwick-cli.exe's JSON under Wine in a Russian locale (ANSI code page
# 1251): a DirectX text in Cyrillic comes out as the same characters.
add_executable(acp_probe acp_probe.cpp)
add_test(NAME wine_code_page
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/code_page.sh $<TARGET_FILE:tarnwick-cli> $<TARGET_FILE:acp_probe>)
set_tests_properties(wine_code_page PROPERTIES TIMEOUT 300)
