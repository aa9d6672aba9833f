# The desk's tests link its library; its commands run end to end on the
# reports in tests/desk/reports.
if(TARGET tarnwick_desk)
  target_link_libraries(tarnwick_tests PRIVATE tarnwick_desk)
endif()
