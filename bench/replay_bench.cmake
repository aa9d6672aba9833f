# replay_bench: the whole replay run of a large generated computer, split
# into the collectors' time and the report writing.
if(TARNWICK_PLATFORM STREQUAL "linux")
  add_executable(replay_bench ${CMAKE_CURRENT_LIST_DIR}/replay_bench.cpp
                              ${PROJECT_SOURCE_DIR}/tests/tools/large_machine.cpp)
  target_link_libraries(replay_bench PRIVATE tarnwick_app tarnwick_replay)
endif()
