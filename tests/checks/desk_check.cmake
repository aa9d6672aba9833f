# tarnwick-desk end to end: exit codes, messages and outputs of its commands
# on the reports of tests/desk/reports and the Linux reports of tests/hosts.
#   cmake -DDESK=<program> -DREPORTS=<folder> -DHOSTS=<folder> -P desk_check.cmake
function(run expected_rc)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env NO_COLOR=1 "${DESK}" ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "tarnwick-desk ${ARGN}: exit ${rc}, not ${expected_rc}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()
function(expect what pattern text)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: \"${pattern}\" not in:\n${text}")
  endif()
endfunction()

run(0 check ${REPORTS}/after.ini)
expect("a clean report" "no findings" "${out}")
run(1 check ${REPORTS}/before.ini)
expect("a problem" "problem  tuner-without-driver" "${out}")
run(1 check ${REPORTS}/missing.ini ${REPORTS}/before.ini)
expect("the unreadable input is named" "missing.ini: " "${err}")
run(2 check ${REPORTS}/missing.ini)
run(2 check)
run(2 frobnicate ${REPORTS}/after.ini)
run(2 check --codepage 99999 ${REPORTS}/after.ini)
expect("a bad code page" "no such code page: 99999" "${err}")
run(0 show --all ${REPORTS}/after.ini)
expect("the card" "Windows +Windows XP \\(5.1 build 2600\\)" "${out}")
expect("every entry" "\\[Empia Data\\]" "${out}")
if(out MATCHES "\033")
  message(FATAL_ERROR "colour with NO_COLOR set")
endif()
run(0 show --json ${REPORTS}/after.ini)
expect("JSON" "^\\[\n  {\n    \"source\": \"[^\"]*after.ini\",\n    \"mail\": null," "${out}")
run(1 diff ${REPORTS}/before.ini ${REPORTS}/after.ini)
expect("a changed entry" "~ \\[DeviceInfo\\] \"Empia ID 3_ProviderName\" = \"\" -> \"Tarnwick\"" "${out}")
expect("a finding gone" "finding gone: tuner-without-driver" "${out}")
run(0 diff --json ${REPORTS}/after.ini ${REPORTS}/after.ini)
expect("diff JSON" "\"changed\": \\[\\]" "${out}")
run(2 diff ${REPORTS}/after.ini)
run(2 diff ${REPORTS}/after.ini ${REPORTS}/missing.ini)

# The Linux reports: the stick has no driver, misses its firmware, runs at
# 12 Mbit/s and has a node its user may not open; the desktop's tuner works.
run(1 check ${HOSTS}/stick/SystemInfo.ini)
foreach(finding "problem  linux-no-driver +Linux runs no driver for a tuner: device 8: module dvb_usb_dibusb_mb"
                "problem  linux-usb-speed +A USB tuner runs slower than it is built for: 12 Mbit/s"
                "warning  linux-firmware-missing [^\n]*: dvb-usb-dibusb-5.0.0.11.fw"
                "warning  linux-node-access +The user may not open")
  expect("the stick" "${finding}" "${out}")
endforeach()
run(0 check ${HOSTS}/desktop/SystemInfo.ini)
expect("the desktop" "no findings" "${out}")
run(0 show ${HOSTS}/desktop/SystemInfo.ini)
expect("the Linux card" "  Distribution +Debian GNU/Linux 12 \\(bookworm\\)\n  Kernel +6.1.0-18-amd64\n"
       "${out}")
expect("the captured tree" "  Architecture +x86_64\n  Captured tree +\\(tree\\); User Info, SystemInfo" "${out}")
run(0 show --json ${HOSTS}/vm/SystemInfo.ini)
expect("the Linux facts in JSON" "\"linux\": {\n +\"distribution\": \"\",[^}]*\"kernel\": \"6.1.0-18-cloud-amd64\""
       "${out}")
