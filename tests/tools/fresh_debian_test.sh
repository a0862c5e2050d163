#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# What scripts/fresh-debian promises of its sandbox, on the kept Debian root (made when missing):
# no process of the command is root or the caller on the host, nor can write /proc/sys; a kill -9
# of the script ends them all; a link planted among its work folders is refused, naming it, and
# nothing outside the checkout is touched. Ends with "N passed, N failed".
#   tests/tools/fresh_debian_test.sh [12|13]
set -euo pipefail
cd "$(dirname "$0")/../.."
release=${1:-13}
scratch=$(mktemp -d)
run="" passed=0 failed=0
trap 'if [ -n "$run" ]; then kill -KILL "$run" 2>/dev/null || true; fi; rm -rf "$scratch"' EXIT

# check NAME COMMAND...: the case passes when COMMAND succeeds.
check() {
  if "${@:2}"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

# The processes below PID, as host pids.
descendants() {
  ps -e -o pid=,ppid= | awk -v top="$1" '{ parent[$1] = $2 }
    END { for (p in parent) for (q = parent[p]; q > 1; q = parent[q]) if (q == top) { print p; break } }'
}
# Whether any of the processes runs (a zombie does not).
any_running() { ps -o stat= -p "$(echo "$@" | tr ' ' ,)" 2>/dev/null | grep -q -v '^Z'; }
no_host_uid() { [ -n "$procs" ] && ! ps -o uid= -p "$(echo $procs | tr ' ' ,)" | grep -q -x -E " *(0|$(id -u))"; }
none_writable() { ! grep '^writable' "$scratch/out"; }
ended_within_5s() {
  [ -n "$procs" ] || return 1
  for _ in {1..50}; do any_running $procs || return 0; sleep 0.1; done
  return 1
}

# The command reports what it can write, then waits to be seen from the host and killed.
./scripts/fresh-debian "$release" sh -c 'for f in /proc/sys/kernel/core_pattern /proc/sysrq-trigger; do
    if test -w "$f"; then echo "writable: $f"; fi; done; echo ready; exec sleep 600' >"$scratch/out" 2>&1 &
run=$!
for _ in {1..1200}; do grep -q '^ready' "$scratch/out" && break; sleep 0.1; done
procs=$(descendants "$run")
check "the sandbox started and its processes were found" grep -q '^ready' "$scratch/out"
check "no process of the command runs as root or as the caller on the host" no_host_uid
check "/proc/sys and /proc/sysrq-trigger are not writable" none_writable
{ kill -KILL "$run" && wait "$run"; } 2>/dev/null || run=""
check "SIGKILL of fresh-debian ends every process of its command" ended_within_5s
if any_running $procs; then kill -KILL $procs 2>/dev/null || true; fi

# A checkout of the script alone, with a link planted at each of its work paths in turn.
mkdir -p "$scratch/checkout/scripts" "$scratch/outside"
cp scripts/fresh-debian "$scratch/checkout/scripts/"
touch "$scratch/outside/kept"
before=$(ls -la --time-style=full-iso "$scratch/outside")
codename=$([ "$release" = 12 ] && echo bookworm || echo trixie)
for planted in build build/fresh-debian "build/fresh-debian/$codename" "build/fresh-debian/$codename/base.tar.new"; do
  rm -rf "$scratch/checkout/build"
  mkdir -p "$scratch/checkout/$(dirname "$planted")"
  ln -s "$scratch/outside" "$scratch/checkout/$planted"
  status=0
  "$scratch/checkout/scripts/fresh-debian" --fresh "$release" true >"$scratch/out" 2>&1 || status=$?
  check "a link at $planted is refused, naming it" grep -q "$planted is a symbolic link" "$scratch/out"
  check "  and the run fails ($status), with nothing outside the checkout touched" \
    test "$status" -ne 0 -a "$before" = "$(ls -la --time-style=full-iso "$scratch/outside")"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
