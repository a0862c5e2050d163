#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The tests' Wine environment (test_env.sh) itself, one case per entry:
#   second_run     a second ctest in the build folder, started while this run's environment is up,
#                  refuses and leaves it running: the same keeper, in which a test still passes
#   server_killed  a test program whose wineserver is killed under it fails (Wine then exits
#                  with status 0); the prefix is started again, its orphaned programs ended
#   home           a plain ctest with HOME an empty folder (and no XDG_* folders) leaves it empty
#   test_env_test.sh CASE BUILD CTEST PE_HEADER_TEST SOAK_TEST
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh"
case=$1 build=$2 ctest=$3 quick=$4 long=$5
env=("$here/test_env.sh")
fail() { echo "test_env_test: $*" >&2; exit 1; }
# second_ctest ARGUMENT...: another ctest of the build's tests (the same commands, whose start and
# stop act on BUILD), run from a copy of its test lists so that its log does not replace this run's.
second_ctest() {
  local lists status=0
  lists=$(mktemp -d)
  (cd "$build" && find . -name CTestTestfile.cmake -exec cp --parents {} "$lists" \;)
  "$ctest" --test-dir "$lists" "$@" || status=$?
  rm -rf "$lists"
  return "$status"
}

case "$case" in
  second_run)
    keeper=$(cat "$build/wine-test.env/keeper")
    if output=$(second_ctest --output-on-failure -R "^$(basename "$quick" .exe)\$" 2>&1); then
      fail "a second ctest ran beside this one: $output"
    fi
    echo "$output" | grep 'test_env: ' || fail "the second ctest did not say why it failed: $output"
    morv_alive "$keeper" && [ "$(cat "$build/wine-test.env/keeper")" = "$keeper" ] ||
      fail "the second ctest ended this run's Wine environment"
    "${env[@]}" gtest "$build" wine "$quick" >/dev/null
    ;;

  server_killed)
    log="$build/tests/server_killed.log"
    "${env[@]}" gtest "$build" wine "$long" >"$log" 2>&1 &
    test=$!
    morv_wait_until 60 grep -q '^\[ RUN' "$log" || fail "$long did not start a test"
    sleep 1
    before=$(for pid in $(WINEPREFIX=$build/wine-test morv_prefix_processes); do
      morv_process_id "$pid"
    done)
    "${env[@]}" exec "$build" wineserver -k9
    status=0
    wait "$test" || status=$?
    cat "$log"
    "${env[@]}" exec "$build" bash -c \
      "source '$here/../../scripts/wine-env.sh' && morv_restart_prefix 120" >/dev/null
    while read -r id; do
      ! morv_alive "$id" || fail "a program of the prefix (pid ${id% *}) outlived its wineserver"
    done <<<"$before"
    [ "$status" -ne 0 ] || fail "$long passed although its wineserver was killed under it"
    grep -q 'did not run to its end' "$log" || fail "the failure does not say that it did not end"
    ;;

  home)
    unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME
    home=$(mktemp -d)
    status=0
    HOME=$home second_ctest --output-on-failure -R "^$(basename "$quick" .exe)\$" || status=$?
    left=$(find "$home" -mindepth 1 | head)
    rm -rf "$home"
    [ "$status" -eq 0 ] || fail "the plain ctest failed ($status)"
    [ -z "$left" ] || fail "a plain ctest wrote into HOME: $left"
    ;;

  *) fail "no case $case" ;;
esac
