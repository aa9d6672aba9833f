# desk_store_bench: tarnwick-desk index, table --csv and page, whole process,
# on a corpus made from the replayed test machines with variations.
if(TARGET tarnwick-desk)
  add_executable(desk_store_bench ${CMAKE_CURRENT_LIST_DIR}/desk_store_bench.cpp)
  find_package(SQLite3 REQUIRED)
  target_link_libraries(desk_store_bench PRIVATE SQLite::SQLite3)
  target_compile_definitions(desk_store_bench PRIVATE
    DESK_PROGRAM="$<TARGET_FILE:tarnwick-desk>"
    REPLAY_PROGRAM="$<TARGET_FILE:tarnwick-replay>"
    MACHINES_DIR="${PROJECT_SOURCE_DIR}/tests/machines")
  add_dependencies(desk_store_bench tarnwick-desk tarnwick-replay)
endif()
