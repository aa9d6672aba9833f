# The native program on captured Linux trees (tests/hosts/<name>/root, a
# copy of the files the Linux layer reads): tarnwick --root writes exactly
# tests/hosts/<name>/SystemInfo.ini. Only the account name and its rights
# come from the computer the test runs on; both reports are compared with
# that line's value set aside, and the tree's path stands as "(tree)".
# Without HOST, the options themselves: --root listed in --help, refused
# without a folder or with one that does not exist; --capture refused
# without a file name.
#
#   cmake -DPROGRAM=<tarnwick> -DHOST=<tests/hosts/name> -DWORK=<folder> -DLOCALE=<name> [-DCAPTURE=ON] -P hosts.cmake
#   cmake -DPROGRAM=<tarnwick> -P hosts.cmake

if(CMAKE_SCRIPT_MODE_FILE AND NOT HOST)
  execute_process(COMMAND "${PROGRAM}" --help RESULT_VARIABLE status OUTPUT_VARIABLE out TIMEOUT 30)
  if(NOT status EQUAL 0 OR NOT out MATCHES "\\[--root DIR\\]\n.*\n  --root DIR     read the computer's facts below DIR")
    message(FATAL_ERROR "--help does not list --root:\n${out}")
  endif()
  foreach(arguments "--root" "--root;${CMAKE_CURRENT_LIST_DIR}/hosts/no-such-host" "--capture")
    list(GET arguments 0 option)
    execute_process(COMMAND "${PROGRAM}" ${arguments} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                    TIMEOUT 30)
    if(NOT status EQUAL 2 OR NOT err MATCHES "^tarnwick: ${option}")
      message(FATAL_ERROR "'${arguments}' must be refused with 2, not ${status}: ${err}")
    endif()
  endforeach()
  return()
endif()

if(CMAKE_SCRIPT_MODE_FILE)
  file(REMOVE_RECURSE "${WORK}")
  file(MAKE_DIRECTORY "${WORK}")
  set(tree "${HOST}/root")
  if(CAPTURE)
    # The tree captured by a run on it and unpacked again must give the
    # same report: the capture holds everything a run reads.
    execute_process(COMMAND "${PROGRAM}" --root "${tree}" --no-copy --output captured.ini --capture capture.tar.gz
                    WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                    TIMEOUT 60)
    if(NOT status EQUAL 0 OR NOT out MATCHES "Capture written to capture.tar.gz\n$")
      message(FATAL_ERROR "tarnwick --capture exited with ${status}: ${out}${err}")
    endif()
    file(MAKE_DIRECTORY "${WORK}/unpacked")
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xzf ../capture.tar.gz WORKING_DIRECTORY "${WORK}/unpacked"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "the capture does not unpack: ${status}")
    endif()
    # A folder named relative to the working folder, as the desk names it.
    set(tree "unpacked")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${LOCALE} "${PROGRAM}" --root "${tree}" --no-copy
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tarnwick --root exited with ${status}: ${err}")
  endif()
  file(READ "${WORK}/SystemInfo.ini" report)
  file(READ "${HOST}/SystemInfo.ini" wanted)
  set(account "User Name=[^\r\n]+ is (not )?Administrator")
  if(NOT report MATCHES "${account}")
    message(FATAL_ERROR "no account line in the report:\n${report}")
  endif()
  string(REGEX REPLACE "${account}" "User Name=(account)" report "${report}")
  string(REGEX REPLACE "${account}" "User Name=(account)" wanted "${wanted}")
  string(REPLACE "Captured Tree=${tree}\n" "Captured Tree=(tree)\n" report "${report}")
  if(NOT report STREQUAL wanted)
    file(WRITE "${WORK}/wanted.ini" "${wanted}")
    file(WRITE "${WORK}/written.ini" "${report}")
    execute_process(COMMAND diff -u "${WORK}/wanted.ini" "${WORK}/written.ini" OUTPUT_VARIABLE difference)
    message(FATAL_ERROR "the report differs from ${HOST}/SystemInfo.ini:\n${difference}")
  endif()
  return()
endif()

if(TARGET tarnwick)
  add_test(NAME host_tree.root_option
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tarnwick> -P ${CMAKE_CURRENT_LIST_FILE})
  foreach(host_locale desktop:de_DE.UTF-8 laptop:en_GB.UTF-8 vm:C.UTF-8 stick:de_DE.UTF-8)
    string(REPLACE ":" ";" parts "${host_locale}")
    list(GET parts 0 host)
    list(GET parts 1 locale)
    add_test(NAME host_tree.${host}
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tarnwick> -DHOST=${CMAKE_CURRENT_SOURCE_DIR}/hosts/${host}
                     -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host-trees/${host} -DLOCALE=${locale}
                     -P ${CMAKE_CURRENT_LIST_FILE})
  endforeach()
  foreach(host_locale laptop:en_GB.UTF-8 stick:de_DE.UTF-8)
    string(REPLACE ":" ";" parts "${host_locale}")
    list(GET parts 0 host)
    list(GET parts 1 locale)
    add_test(NAME host_tree.${host}_captured
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tarnwick> -DHOST=${CMAKE_CURRENT_SOURCE_DIR}/hosts/${host}
                     -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host-trees/${host}-captured -DLOCALE=${locale} -DCAPTURE=ON
                     -P ${CMAKE_CURRENT_LIST_FILE})
  endforeach()
endif()
