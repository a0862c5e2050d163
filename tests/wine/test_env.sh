#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The Wine environment of a build's tests: a prefix of the build's own (BUILD/wine-test, a
# Japanese Windows 10 at 120 DPI), a private virtual display with a window manager, and the
# Japanese locale. Every Windows test program and test script of the build runs in it, whatever
# WINEPREFIX and DISPLAY the caller has, so that a plain ctest in the build folder works and never
# touches a prefix the build did not make.
#   test_env.sh start BUILD     starts it (the ctest fixture wine_environment): a keeper process,
#                               detached from ctest's output, holds the display, the prefix and
#                               the lock BUILD/wine-test.lock until the stop below, or until the
#                               ctest run that started it has ended, however it ended. Refuses
#                               while another run holds them.
#   test_env.sh stop BUILD      ends it (the fixture's clean-up), only for the run that started
#                               it: a second ctest that was refused leaves the first one's alone
#   test_env.sh wait BUILD      waits until the environment of a ctest run that has gone has ended
#   test_env.sh exec BUILD COMMAND...
#                               runs COMMAND in it. MORV_TEST_WINEPREFIX names another prefix of
#                               the build's (the installer test's own), and MORV_WINEDLLOVERRIDES
#                               adds to Wine's library overrides.
#   test_env.sh gtest BUILD COMMAND...
#                               runs COMMAND, a GoogleTest program (the emulator of the build's
#                               Windows programs is "test_env.sh gtest BUILD wine"), and passes
#                               only on its own verdict: the report GoogleTest writes once every
#                               test has run, which says that at least one ran and none failed.
#                               A program whose emulator or wineserver died under it, or that
#                               left early, wrote none, whatever its exit status.
# Processes are known by their pid and start time, never by a pid alone, which a later process
# may have been given.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-env.sh"

usage() { echo "usage: test_env.sh start|stop|wait BUILD | exec|gtest BUILD COMMAND..." >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1
build=$(cd "$2" && pwd -P)
shift 2
state="$build/wine-test.env"  # display, keeper and owner (their pids), keeper.log, reports
lock="$build/wine-test.lock"

# The keeper's pid when it runs.
keeper() {
  local id
  id=$(cat "$state/keeper" 2>/dev/null) && morv_alive "$id" && echo "${id%% *}"
}

# wait_for_ended_run: a keeper whose ctest run has gone (interrupted a moment ago) is ending: waits
# until it has ended and left the lock (open on descriptor 9).
wait_for_ended_run() {
  local pid
  if pid=$(keeper) && ! morv_alive "$(cat "$state/owner" 2>/dev/null)"; then
    echo "test_env: waiting for the Wine environment of a ctest run that has ended to end too" \
      "(keeper pid $pid)" >&2
    flock -w 60 9
  fi
}

# The processes that have the lock open, as " PID (COMMAND LINE)" each: a refusal names them.
lock_holders() {
  local fd pid
  for fd in /proc/[0-9]*/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$lock" ] || continue
    pid=${fd#/proc/} pid=${pid%%/*}
    [ "$pid" != $$ ] && [ "$pid" != "$BASHPID" ] || continue  # this script
    printf ' %s (%s)' "$pid" "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-100)"
  done
}

case "$action" in
  wait)
    exec 9>>"$lock"
    wait_for_ended_run || { echo "test_env: the keeper of $build/wine-test would not end" >&2; exit 1; }
    ;;

  start)
    exec 9>>"$lock"
    if ! flock -n 9; then
      wait_for_ended_run || true
      if ! flock -n 9; then
        echo "test_env: the tests' Wine environment of $build is in use by another run (keeper" \
          "pid $(keeper || echo "starting"); the lock held by$(lock_holders)); it ends with that" \
          "run" >&2
        exit 1
      fi
    fi
    rm -rf "$state"
    mkdir -p "$state" "$HOME"
    # The ctest run that starts it, this script's parent, owns it.
    morv_process_id "$PPID" >"$state/owner"
    # The keeper inherits the lock (descriptor 9) and holds it until it has ended.
    setsid -f "$0" keep "$build" </dev/null >"$state/keeper.log" 2>&1
    deadline=$((SECONDS + 10))
    until [ -s "$state/display" ]; do
      if ! keeper >/dev/null && { [ -s "$state/keeper" ] || [ "$SECONDS" -ge "$deadline" ]; }; then
        echo "test_env: the tests' Wine environment did not come up:" >&2
        sed 's/^/  /' "$state/keeper.log" >&2
        exit 1
      fi
      sleep 0.1
    done
    echo "test_env: $(cat "$state/display") and the prefix $build/wine-test are ready"
    ;;

  keep)
    owner=$(cat "$state/owner")
    morv_trap_exit
    morv_process_id $$ >"$state/keeper"
    # What the keeper starts does not inherit the lock, so that once the keeper has ended nothing
    # holds it.
    {
      morv_wine_env "$build/wine-test"
      morv_start_display
      # A prefix made before the tests had a home of their own links its user folders (Desktop,
      # Documents...) into the home it was made in: folders of its own replace those links.
      for link in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$link" ] && [[ "$(readlink "$link")" != "$HOME"* ]]; then
          rm "$link" && mkdir "$link"
        fi
      done
      morv_prepare_prefix 120
      echo "$DISPLAY" >"$state/display.new"
      mv "$state/display.new" "$state/display"
      # Until stopped (TERM) or until the ctest run has gone.
      while morv_alive "$owner"; do
        sleep 1 &
        wait $! || true
      done
    } 9>&-
    ;;

  stop)
    owner=$(cat "$state/owner" 2>/dev/null) || exit 0
    if [ "$owner" != "$(morv_process_id "$PPID")" ]; then
      echo "test_env: the tests' Wine environment of $build is another run's; left running"
      exit 0
    fi
    if pid=$(keeper); then
      id=$(cat "$state/keeper")
      kill "$pid"
      if ! morv_wait_for "$id" "the tests' Wine environment to end (keeper pid $pid)" 60; then
        echo "test_env: the keeper (pid $pid) of $build/wine-test would not end" >&2
        exit 1
      fi
    fi
    rm -rf "$state"
    ;;

  exec | gtest)
    [ $# -gt 0 ] || usage
    if ! keeper >/dev/null || [ ! -s "$state/display" ]; then
      echo "test_env: the tests' Wine environment of $build is not running: run the tests with" \
        "ctest in $build (its fixture wine_environment starts it) or ./scripts/test" >&2
      exit 1
    fi
    morv_wine_env "${MORV_TEST_WINEPREFIX:-$build/wine-test}"
    WINEDLLOVERRIDES+="${MORV_WINEDLLOVERRIDES:+;$MORV_WINEDLLOVERRIDES}"
    export DISPLAY
    DISPLAY=$(cat "$state/display")
    [ "$action" = gtest ] || exec "$@"
    # GoogleTest writes its report (a Windows path through Wine) only once every test has run. The
    # program dies with this script, should ctest kill it at its time limit.
    report=$(mktemp "$state/report.XXXXXX")
    status=0 tests="" failures=""
    GTEST_OUTPUT="xml:Z:${report//\//\\}" setpriv --pdeathsig KILL -- "$@" || status=$?
    read -r tests failures < <(xmllint --xpath \
      'concat(/testsuites/@tests, " ", /testsuites/@failures + /testsuites/@errors)' "$report" \
      2>/dev/null) || true
    rm -f "$report"
    if [ -z "${tests:-}" ]; then
      echo "test_env: $* ended (exit status $status) without GoogleTest's report: it did not run" \
        "to its end" >&2
      exit 1
    elif [ "$tests" = 0 ] || [ "$failures" != 0 ]; then
      echo "test_env: $* ran $tests tests, $failures of them failed (exit status $status)" >&2
      exit 1
    fi
    exit "$status"
    ;;

  *) usage ;;
esac
