# End-to-end runs of the tarnwick-replay program: its exit codes, its
# messages, and that a refused machine leaves OUT unmade.
#
# Included by tests/CMakeLists.txt, this file adds the CTest entries. Each
# entry runs this same file as a script:
#   cmake -DREPLAY=<program> -DEXPECT=usage|refused|written [-DMACHINE=<folder>]
#         [-DOUT=<folder>] [-DMESSAGE=<regex>] [-DCOPY=<path below OUT>] -P replay.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  function(fail what)
    message(FATAL_ERROR "${what}\nexit code: ${rc}\nstderr: ${err}")
  endfunction()

  if(EXPECT STREQUAL "usage")
    execute_process(COMMAND "${REPLAY}" only-one RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 2 OR NOT err MATCHES "Usage: tarnwick-replay MACHINE OUT")
      fail("a wrong argument count must print the usage and exit with 2")
    endif()
    return()
  endif()

  file(REMOVE_RECURSE "${OUT}")
  execute_process(COMMAND "${REPLAY}" "${MACHINE}" "${OUT}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(EXPECT STREQUAL "refused")
    if(rc EQUAL 0)
      fail("a malformed machine must be refused")
    endif()
    if(NOT err MATCHES "^tarnwick-replay: ${MESSAGE}")
      fail("the message must name the file and the line")
    endif()
    if(EXISTS "${OUT}")
      fail("a refused machine must leave OUT unmade")
    endif()
  else()
    if(NOT rc EQUAL 0)
      fail("the run failed")
    endif()
    file(READ "${OUT}/rows.tsv" rows)
    if(NOT rows MATCHES "^Tool Version\tTool Version\t2\\.5\n")
      fail("rows.tsv must begin with the tool's version row")
    endif()
    file(SHA256 "${OUT}/drive_c/SystemInfo.ini" report)
    file(SHA256 "${OUT}/${COPY}" copy)
    if(NOT report STREQUAL copy)
      fail("the copy beside the program must equal the report")
    endif()
  endif()
  return()
endif()

if(TARGET tarnwick-replay)
  set(replay_out "${CMAKE_CURRENT_BINARY_DIR}/replay-out")
  set(machines "${CMAKE_CURRENT_SOURCE_DIR}/machines")

  function(add_replay_test name)
    add_test(NAME replay.${name}
             COMMAND ${CMAKE_COMMAND} -DREPLAY=$<TARGET_FILE:tarnwick-replay> "-DOUT=${replay_out}/${name}" ${ARGN}
                     -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
  endfunction()

  add_replay_test(usage -DEXPECT=usage)
  add_replay_test(example -DEXPECT=written "-DMACHINE=${PROJECT_SOURCE_DIR}/../shared/examples/xp-desk"
                  "-DCOPY=drive_c/Documents and Settings/Luc/Bureau/SystemInfo.ini")
  add_replay_test(tuner_stick -DEXPECT=written "-DMACHINE=${machines}/tuner-stick"
                  "-DCOPY=drive_d/Treiber/SystemInfo.ini")
  add_replay_test(tv_apps -DEXPECT=written "-DMACHINE=${machines}/tv-apps" "-DCOPY=drive_d/Treiber/SystemInfo.ini")
  add_replay_test(bad_registry -DEXPECT=refused "-DMACHINE=${machines}/bad-registry"
                  "-DMESSAGE=[^\n]*/registry\\.reg:6: ")
  add_replay_test(bad_machine -DEXPECT=refused "-DMACHINE=${machines}/bad-machine"
                  "-DMESSAGE=[^\n]*/machine\\.json:5: version\\.productType")
  add_replay_test(missing_folder -DEXPECT=refused "-DMACHINE=${machines}/no-such-machine"
                  "-DMESSAGE=[^\n]*no-such-machine: no such machine folder")
endif()
