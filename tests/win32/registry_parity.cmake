# Parity of the registry layers: the same regedit file read natively through
# the replay layer and, imported with Wine's regedit, through the Win32 layer.
add_executable(registry_dump ${PROJECT_SOURCE_DIR}/tests/tools/registry_dump.cpp
                             ${PROJECT_SOURCE_DIR}/tests/tools/registry_dump_win32.cpp)
target_link_libraries(registry_dump PRIVATE tarnwick_win32)

if(TARNWICK_NATIVE_BUILD)
  add_test(NAME wine_registry_parity
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/registry_parity.sh
            $<TARGET_FILE:registry_dump> ${TARNWICK_NATIVE_BUILD}/tests/registry_dump
            $<TARGET_FILE:tarnwick-cli> ${TARNWICK_NATIVE_BUILD}/tarnwick-replay
            ${CMAKE_CURRENT_SOURCE_DIR}/parity ${CMAKE_CURRENT_BINARY_DIR}/parity-run)
  set_tests_properties(wine_registry_parity PROPERTIES TIMEOUT 300)
else()
  message(STATUS "TARNWICK_NATIVE_BUILD not set: the registry parity check under Wine is left out")
endif()
