# tarnwick-desk index, recheck, forget, table and page end to end: exit
# codes, counts and messages on the example mailbox.
#   cmake -DDESK=<program> -DFIXTURES=<tests/desk> -DSCRATCH=<folder> -P desk_store_check.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(DB "${SCRATCH}/desk.db")
set(MBOX "${FIXTURES}/example.mbox")

# Each case: expected exit, a text the output or errors must hold, then the arguments.
function(case expected_rc pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env NO_COLOR=1 "${DESK}" ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "tarnwick-desk ${ARGN}: exit ${rc}, not ${expected_rc}\n${out}\n${err}")
  endif()
  string(FIND "${out}${err}" "${pattern}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "tarnwick-desk ${ARGN}: \"${pattern}\" not in:\n${out}\n${err}")
  endif()
endfunction()

case(0 "5 added, 0 already present, 0 refused" index ${DB} ${MBOX})
case(0 "1 added, 5 already present, 1 refused" index ${DB} ${MBOX} ${FIXTURES}/reports/after.ini ${SCRATCH}/missing.ini)
case(0 "missing.ini" index ${DB} ${SCRATCH}/missing.ini)
case(0 "6 rechecked" recheck ${DB})
case(0 "1 rechecked" recheck ${DB} --from LUC@client.example --codepage 1251)
case(2 "--codepage is for one sender's reports" recheck ${DB} --codepage 1251)
case(2 "no such code page: 77" recheck ${DB} --from x@y --codepage 77)
case(0 "Luc Berard <luc@client.example>,Windows XP,,1.1,DirectX Library 6.5.2600.5512,no-supported-tuner run-incomplete not-administrator"
     table --db ${DB} --csv --since 2026-03-20)
case(0 "\"findings\":[\"tuner-without-driver\"]" table --json ${FIXTURES}/reports/before.ini)
case(0 "Ana Lima" table --db ${DB} --from cliente)
case(2 "table takes --db DB or INPUT" table --db ${DB} ${MBOX})
case(2 "--csv or --json, not both" table --db ${DB} --csv --json)
case(2 "page needs -o DIR" page --db ${DB})
case(0 "6 reports in ${SCRATCH}/page/index.html" page --db ${DB} -o ${SCRATCH}/page)
case(2 "forget takes --from ADDRESS or --source TEXT" forget ${DB})
case(0 "1 forgotten" forget ${DB} --from ana@cliente.example)
case(0 "0 forgotten" forget ${DB} --from ana@cliente.example)
case(0 "4 forgotten" forget ${DB} --source ${MBOX})
case(0 "1 added, 0 already present" index ${DB} ${FIXTURES}/reports/before.ini)
file(WRITE "${SCRATCH}/text.db" "not a database, but long enough to be read as one, really")
case(1 "file is not a database" table --db ${SCRATCH}/text.db)
