# The base board entries of tarnwick-cli.exe against what wmi_probe.exe reads
# through Wine's WMI by a route of its own.
add_executable(wmi_probe ${PROJECT_SOURCE_DIR}/tests/tools/wmi_probe.cpp)
target_link_libraries(wmi_probe PRIVATE ole32 oleaut32 uuid)

add_test(NAME wine_wmi_parity
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wmi_parity.sh $<TARGET_FILE:wmi_probe> $<TARGET_FILE:tarnwick-cli>
          ${CMAKE_CURRENT_BINARY_DIR}/wmi-parity-run)
set_tests_properties(wine_wmi_parity PROPERTIES TIMEOUT 300)
