# The PE version reader's tests read real PE files that the build makes with
# the mingw-w64 cross tools (32-bit and 64-bit).
include(${CMAKE_CURRENT_SOURCE_DIR}/pe/samples.cmake)
add_dependencies(tarnwick_tests tarnwick_pe_samples)
target_compile_definitions(tarnwick_tests PRIVATE TARNWICK_PE_SAMPLE_DIR="${TARNWICK_PE_SAMPLE_DIR}")
target_include_directories(tarnwick_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
