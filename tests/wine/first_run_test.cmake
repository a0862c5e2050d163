# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# A first ./scripts/run without a display, where Xvfb and openbox each end at once on their first
# start (as openbox has been seen to on a machine that has just installed it): the run notes the
# retries, comes up and saves a screenshot, and so does the display start of scripts/test. Then the
# FirstRun suite of the Windows test program reads the time on the screenshot's face.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DRUNNER=... -DPROGRAM=... -P first_run_test.cmake
# The run gets a build root of its own, kept from one test run to the next. The test build's root
# would have scripts/run configure the folder ctest runs from, and share build/wine-run, the prefix
# of a clock the developer may have open, whose processes the run ends when it ends. That costs the
# first test run about 30 s (a build of the program and a Wine prefix: 45 s in all); later ones
# take about 13 s.
set(work "${BINARY_DIR}/tests/first-run")
set(standins "${work}/standins")

# Each stand-in runs the real program once a marker beside it says that it has started before.
foreach(program Xvfb openbox)
  find_program(real_${program} ${program} NO_CACHE REQUIRED)
  file(WRITE "${standins}/${program}" "#!/bin/sh\n"
       "if [ -e \"$0.started\" ]; then exec '${real_${program}}' \"$@\"; fi\n: >\"$0.started\"\n"
       "echo '${program} stand-in: ends at once' >&2\nexit 1\n")
  file(CHMOD "${standins}/${program}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  string(APPEND retries "wine-env: ${program} [^\n]* \\(exit status 1\\), saying: ${program} "
         "stand-in: ends at once; starting it again \\(attempt 2 of 3\\)\n.*")
endforeach()

# run_without_display NAME COMMAND...: COMMAND with the stand-ins first on PATH and no display;
# fails unless it succeeds and notes one retry of each program.
function(run_without_display name)
  file(REMOVE "${standins}/Xvfb.started" "${standins}/openbox.started")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=MORV_DPI
                          "PATH=${standins}:$ENV{PATH}" "MORV_BUILD_ROOT=${work}/root" ${ARGN}
                  WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE result
                  OUTPUT_FILE "${work}/${name}.log" ERROR_FILE "${work}/${name}.log")
  file(READ "${work}/${name}.log" log)
  message("${name}:\n${log}")
  if(NOT result EQUAL 0 OR NOT log MATCHES "${retries}")
    message(FATAL_ERROR "${name} failed (${result}) or did not note one retry of Xvfb and openbox")
  endif()
endfunction()

file(REMOVE "${work}/root/morvtime-screenshot.png")
run_without_display(run "${SOURCE_DIR}/scripts/run")
# As scripts/test starts it (without semicolons, which would split the argument).
run_without_display(display bash -c [[set -euo pipefail
  source scripts/wine-env.sh
  morv_trap_exit
  morv_start_display
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id']])

execute_process(COMMAND convert "${work}/root/morvtime-screenshot.png" "BMP3:${work}/screenshot.bmp"
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=FirstRun.* RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the screenshot failed its test (${result})")
endif()
