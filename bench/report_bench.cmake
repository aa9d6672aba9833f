# report_bench: the report writer's speed on a run-shaped sequence of
# entries, through the mapped drive of a POSIX host.
if(TARNWICK_PLATFORM STREQUAL "linux")
  add_executable(report_bench ${CMAKE_CURRENT_LIST_DIR}/report_bench.cpp)
  target_link_libraries(report_bench PRIVATE tarnwick_app tarnwick_posix)
endif()
