# The portable PE version reader against Wine's version functions, on every
# program and library of the prefix's system folder and on the test samples.
include(${PROJECT_SOURCE_DIR}/tests/pe/samples.cmake)

add_executable(pe_system_versions ${CMAKE_CURRENT_SOURCE_DIR}/pe_system_versions.cpp)
target_link_libraries(pe_system_versions PRIVATE tarnwick_platform_common version)
add_dependencies(pe_system_versions tarnwick_pe_samples)

# Left out: the sample with its version in two languages, where the system
# takes the user's language and the reader the first.
set(compared_samples ${TARNWICK_PE_SAMPLES})
list(FILTER compared_samples EXCLUDE REGEX "two_languages")
add_test(NAME wine_pe_system_versions COMMAND wine $<TARGET_FILE:pe_system_versions> ${compared_samples})
set_tests_properties(wine_pe_system_versions PROPERTIES TIMEOUT 300)
