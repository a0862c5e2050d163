#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The Wine environment of a build's tests: a prefix of the build's own (BUILD/wine-test, a
# Japanese Windows 10 at 120 DPI), a private virtual display with a window manager, and the
# Japanese locale. Every Windows test program and test script of the build runs in it, whatever
# WINEPREFIX and DISPLAY the caller has, so that a plain ctest in the build folder works and never
# touches a prefix the build did not make.
#   test_env.sh start BUILD     starts it (the ctest fixture wine_environment): a keeper process,
#                               detached from ctest's output, holds the display and the prefix
#                               until the stop below, or until the ctest run that started it has
#                               ended, however it ended
#   test_env.sh stop BUILD      ends it (the fixture's clean-up)
#   test_env.sh exec BUILD COMMAND...
#                               runs COMMAND in it: the emulator of the build's Windows programs
#                               is "test_env.sh exec BUILD wine". MORV_TEST_WINEPREFIX names
#                               another prefix of the build's (the installer test's own), and
#                               MORV_WINEDLLOVERRIDES adds to Wine's library overrides.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-env.sh"

usage() { echo "usage: test_env.sh start|stop BUILD | exec BUILD COMMAND..." >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1
build=$(cd "$2" && pwd -P)
shift 2
state="$build/wine-test.env"  # display, keeper and owner (their pids), keeper.log

# The keeper's pid when it runs.
keeper() {
  local pid
  pid=$(cat "$state/keeper" 2>/dev/null) || return 1
  [ -n "$pid" ] && morv_alive "$pid" && echo "$pid"
}

case "$action" in
  start)
    # A keeper whose ctest run has gone (interrupted a moment ago) is ending: wait for it.
    if pid=$(keeper) && ! morv_alive "$(cat "$state/owner" 2>/dev/null)"; then
      morv_wait_for "$pid" "the last run's Wine environment to end (keeper pid $pid)" 60 || true
    fi
    if pid=$(keeper); then
      echo "test_env: the tests' Wine environment of $build is in use by another run (keeper pid" \
        "$pid); wait for it to end, or end it with: $0 stop $build" >&2
      exit 1
    fi
    rm -rf "$state"
    mkdir -p "$state"
    # The keeper watches the ctest run that started it: this script's parent.
    setsid -f "$0" keep "$build" "$PPID" </dev/null >"$state/keeper.log" 2>&1
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
    owner=$1
    morv_trap_exit
    echo "$owner" >"$state/owner"
    echo "$$" >"$state/keeper"
    morv_wine_env "$build/wine-test"
    morv_start_display
    morv_prepare_prefix 120
    echo "$DISPLAY" >"$state/display.new"
    mv "$state/display.new" "$state/display"
    # Until stopped (TERM) or until the ctest run has gone.
    while morv_alive "$owner"; do
      sleep 1 &
      wait $! || true
    done
    ;;

  stop)
    if pid=$(keeper); then
      kill "$pid"
      if ! morv_wait_for "$pid" "the tests' Wine environment to end (keeper pid $pid)" 60; then
        echo "test_env: the keeper (pid $pid) of $build/wine-test would not end" >&2
        exit 1
      fi
    fi
    rm -rf "$state"
    ;;

  exec)
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
    exec "$@"
    ;;

  *) usage ;;
esac
