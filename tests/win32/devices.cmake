# The device inventory under Wine: devices imported with regedit are listed
# by Wine's Setup API; tarnwick-cli.exe's device sections must equal those of
# tarnwick-replay run on the same registry and on the device list that
# device_probe.exe reads through the Setup API itself.
add_executable(device_probe ${CMAKE_CURRENT_SOURCE_DIR}/device_probe.cpp)
target_link_libraries(device_probe PRIVATE setupapi)

if(TARNWICK_NATIVE_BUILD)
  add_test(NAME wine_devices
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/devices.sh
            $<TARGET_FILE:device_probe> $<TARGET_FILE:tarnwick-cli> ${TARNWICK_NATIVE_BUILD}/tarnwick-replay
            ${PROJECT_SOURCE_DIR}/tests/machines/tuner-cards ${CMAKE_CURRENT_BINARY_DIR}/devices-run)
  set_tests_properties(wine_devices PROPERTIES TIMEOUT 300)
else()
  message(STATUS "TARNWICK_NATIVE_BUILD not set: the device check under Wine is left out")
endif()
