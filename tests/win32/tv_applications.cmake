# The application inventory of tarnwick-cli.exe under Wine: a TV application,
# uninstall entries and the encoder pack installed into the prefix, with
# copies of the PE samples, reported with the versions and dates that
# Windows' own functions give (file_stamp_probe.exe).
if(NOT TARGET tarnwick_pe_samples)
  include(${PROJECT_SOURCE_DIR}/tests/pe/samples.cmake)
endif()

add_executable(file_stamp_probe ${CMAKE_CURRENT_SOURCE_DIR}/file_stamp_probe.cpp)
target_link_libraries(file_stamp_probe PRIVATE tarnwick_win32 version)
add_dependencies(file_stamp_probe tarnwick_pe_samples)

add_test(NAME wine_tv_applications
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tv_applications.sh $<TARGET_FILE:tarnwick-cli>
          $<TARGET_FILE:file_stamp_probe> ${TARNWICK_PE_SAMPLE_DIR})
set_tests_properties(wine_tv_applications PROPERTIES TIMEOUT 300)
