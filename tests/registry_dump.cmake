# The native half of the registry parity check under Wine: a regedit file
# read through the replay layer.
if(TARNWICK_PLATFORM STREQUAL "linux")
  add_executable(registry_dump ${PROJECT_SOURCE_DIR}/tests/tools/registry_dump.cpp
                               ${PROJECT_SOURCE_DIR}/tests/tools/registry_dump_replay.cpp)
  target_link_libraries(registry_dump PRIVATE tarnwick_replay)
endif()
