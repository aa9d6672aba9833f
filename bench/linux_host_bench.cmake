# linux_host_bench: the native program's whole run on a generated Linux tree
# of 300 devices, read below a root folder as `tarnwick --root` reads it.
if(TARNWICK_PLATFORM STREQUAL "linux")
  add_executable(linux_host_bench ${CMAKE_CURRENT_LIST_DIR}/linux_host_bench.cpp)
  target_link_libraries(linux_host_bench PRIVATE tarnwick_app tarnwick_linux)
  target_compile_definitions(linux_host_bench PRIVATE TARNWICK_HOSTS_DIR="${PROJECT_SOURCE_DIR}/tests/hosts")
endif()
