# desk_bench: tarnwick-desk check, whole process, on one report and on a
# corpus of 10,000 reports made from the replayed test machines with
# variations.
if(TARGET tarnwick-desk)
  add_executable(desk_bench ${CMAKE_CURRENT_LIST_DIR}/desk_bench.cpp)
  target_compile_definitions(desk_bench PRIVATE
    DESK_PROGRAM="$<TARGET_FILE:tarnwick-desk>"
    REPLAY_PROGRAM="$<TARGET_FILE:tarnwick-replay>"
    MACHINES_DIR="${PROJECT_SOURCE_DIR}/tests/machines")
  add_dependencies(desk_bench tarnwick-desk tarnwick-replay)
endif()
