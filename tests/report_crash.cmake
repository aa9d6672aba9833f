# The report's file tests on POSIX hosts: the tests reach the mapped drive
# (TARNWICK_POSIX_FILES), and the crash test starts and kills a writer
# program whose path it is given, and tarnwick-replay running the whole
# collection against a large generated computer.
if(TARNWICK_PLATFORM STREQUAL "linux")
  add_executable(report_crash_writer ${CMAKE_CURRENT_LIST_DIR}/report_crash_writer.cpp)
  target_link_libraries(report_crash_writer PRIVATE tarnwick_app tarnwick_posix)
  target_include_directories(report_crash_writer PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_sources(tarnwick_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/tools/large_machine.cpp)
  add_dependencies(tarnwick_tests report_crash_writer tarnwick-replay)
  target_compile_definitions(tarnwick_tests PRIVATE
    TARNWICK_POSIX_FILES=1
    TARNWICK_CRASH_WRITER="$<TARGET_FILE:report_crash_writer>"
    TARNWICK_REPLAY_PROGRAM="$<TARGET_FILE:tarnwick-replay>")
endif()
