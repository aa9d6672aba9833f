# Tarnwick.exe driven through its windows under Wine (xdotool on the session's
# X display). list_probe.exe reads the main dialog's list from outside.
# Screenshots are left in artifacts/ of the build tree.

add_executable(list_probe ${CMAKE_CURRENT_LIST_DIR}/list_probe.cpp)
target_link_libraries(list_probe PRIVATE tarnwick_app tarnwick_win32)

set(TARNWICK_GUI_ARTIFACTS ${CMAKE_BINARY_DIR}/artifacts)

add_test(NAME gui_single_instance
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/single_instance.sh
    $<TARGET_FILE:Tarnwick> $<TARGET_FILE:list_probe> ${TARNWICK_GUI_ARTIFACTS})
add_test(NAME gui_end_to_end
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/end_to_end.sh
    $<TARGET_FILE:Tarnwick> $<TARGET_FILE:tarnwick-cli> $<TARGET_FILE:list_probe> ${TARNWICK_GUI_ARTIFACTS})

add_executable(hold_file ${CMAKE_CURRENT_LIST_DIR}/hold_file.cpp)
target_link_libraries(hold_file PRIVATE tarnwick_win32)
add_test(NAME gui_report_locked
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/report_locked.sh
    $<TARGET_FILE:Tarnwick> $<TARGET_FILE:tarnwick-cli> $<TARGET_FILE:list_probe> $<TARGET_FILE:hold_file>
    ${TARNWICK_GUI_ARTIFACTS})

# A video capture filter whose creation takes seconds, registered with
# regsvr32 for one test: the waiting window watched while the run waits.
add_library(slow_filter SHARED ${CMAKE_CURRENT_LIST_DIR}/slow_filter.cpp)
set_target_properties(slow_filter PROPERTIES PREFIX "")
# regsvr32 looks the entry points up by their plain names; the runtime is
# linked in, as in the programs.
target_link_options(slow_filter PRIVATE -Wl,--kill-at -static -static-libgcc)
target_link_libraries(slow_filter PRIVATE ole32 strmiids)
add_test(NAME gui_waiting_window
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/waiting_window.sh
    $<TARGET_FILE:Tarnwick> $<TARGET_FILE:list_probe> $<TARGET_FILE:slow_filter> ${TARNWICK_GUI_ARTIFACTS})

add_test(NAME gui_dialog_list
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/dialog_list.sh
    $<TARGET_FILE:Tarnwick> $<TARGET_FILE:list_probe> ${TARNWICK_GUI_ARTIFACTS})

# The tests share the prefix, the drive C report and the display.
set_tests_properties(gui_single_instance gui_end_to_end gui_report_locked gui_waiting_window gui_dialog_list PROPERTIES
  TIMEOUT 600
  RESOURCE_LOCK wine_desktop
  LABELS gui)

# Two starts at the same instant, many times: the lock admits exactly one.
add_executable(instance_race ${CMAKE_CURRENT_LIST_DIR}/instance_race.cpp ${PROJECT_SOURCE_DIR}/app/win32/instance_lock.cpp)
target_link_libraries(instance_race PRIVATE tarnwick_win32)
add_test(NAME wine_instance_race COMMAND wine $<TARGET_FILE:instance_race> 40)
set_tests_properties(wine_instance_race PROPERTIES TIMEOUT 300)
