# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Shared by the scripts: a private Wine prefix, the Japanese locale and, where needed, a private
# virtual display with a window manager. Sourcing it starts nothing and installs no trap: a
# script calls morv_trap_exit before it starts anything and registers its own clean-up with
# morv_at_exit. At exit, however it comes about, morv_finish runs those, ends the prefix's Wine
# processes and the display and window manager that morv_start_display started, and nothing stops
# it halfway. Should the script be killed outright, the display and window manager end with it,
# and the prefix's wineserver a minute after its last program.
MORV_ROOT=${MORV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
MORV_STARTED_PIDS=()
MORV_AT_EXIT=()
MORV_DISPLAY_FILES=""
# Set by morv_wine_env: only a prefix of ours is ended, never one named by the caller's own
# WINEPREFIX before the script chose its prefix.
MORV_PREFIX_IN_USE=0

# morv_at_exit FUNCTION: morv_cleanup calls FUNCTION, the last registered first.
morv_at_exit() { MORV_AT_EXIT+=("$1"); }

# morv_run PROGRAM ARGUMENT...: runs PROGRAM and waits for it as a child that the script's traps
# need not wait for (bash runs them only once a program in the foreground has ended); should the
# script be stopped meanwhile, morv_cleanup ends it and everything it started. The child leads a
# process group of its own (job control, on for that moment), which the clean-up ends as a whole:
# make and the compilers under cmake --build, the tests under ctest. Without it the child and all
# below it would ignore Ctrl-C, as background jobs of a non-interactive shell do, and outlive the
# child. It reads no terminal: a background group that tried would stop.
MORV_CHILD=""
morv_run() {
  set -m
  "$@" </dev/null &
  MORV_CHILD=$! MORV_CHILD_NAME=$1
  set +m
  local status=0
  wait "$MORV_CHILD" || status=$?
  MORV_CHILD=""
  return "$status"
}

# morv_wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails when it
# has not succeeded within SECONDS.
morv_wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# morv_setup ARG...: runs scripts/setup, which installs what is missing and generates the
# Japanese locale. A shell cannot take a locale generated after it started: glibc reads the locale
# archive once per process, and setting LC_ALL would only warn. When this shell cannot take it,
# the calling script starts again in its place with the same arguments, once.
morv_setup() {
  "$MORV_ROOT/scripts/setup"
  if [ -z "${MORV_SETUP_RESTARTED:-}" ] && ! morv_shell_takes_locale; then
    MORV_SETUP_RESTARTED=1 exec "$BASH" "$MORV_ROOT/scripts/${0##*/}" "$@"
  fi
  unset MORV_SETUP_RESTARTED
}
# Whether this shell can take the Japanese locale, tried in a subshell: bash says so on stderr
# when it cannot.
morv_shell_takes_locale() { [ -z "$({ LC_ALL=ja_JP.UTF-8; } 2>&1)" ]; }

# morv_wine_env PREFIX_DIR: the environment every Wine call of ours runs in.
morv_wine_env() {
  export WINEPREFIX="$1"
  MORV_PREFIX_IN_USE=1
  export WINEARCH=win64
  # No Mono or Gecko install prompt, which would hang a run without a user.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Quiet, but a missing DLL still shows.
  export WINEDEBUG="${WINEDEBUG:--all,err+module}"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}

# morv_start_display: a virtual display and a window manager, unless MORV_USE_DISPLAY=1 and a
# display is already there. Each is started up to MORV_DISPLAY_ATTEMPTS times (default 3), with
# a note on stderr of what went wrong before each retry: on a machine that has just installed its
# packages, openbox has been seen to end at once on its first start. Fails, with a message, when
# the last attempt does not come up within MORV_DISPLAY_TIMEOUT seconds (default 30; on a loaded
# machine Xvfb and openbox at times take several seconds).
morv_start_display() {
  if [ "${MORV_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  # The display number, the programs' output and openbox's log; removed by morv_cleanup.
  MORV_DISPLAY_FILES=$(mktemp -d)
  morv_start_with_retries Xvfb morv_start_xvfb &&
    morv_start_with_retries openbox morv_start_window_manager
}

# morv_start_with_retries NAME FUNCTION: calls FUNCTION, which starts NAME and, when NAME does not
# come up, sets MORV_START_FAILURE to what happened, until it succeeds or has failed
# MORV_DISPLAY_ATTEMPTS times.
morv_start_with_retries() {
  local name=$1 start=$2 attempts=${MORV_DISPLAY_ATTEMPTS:-3} attempt
  for ((attempt = 1; ; attempt++)); do
    "$start" && return 0
    if [ "$attempt" -ge "$attempts" ]; then
      echo "wine-env: $name $MORV_START_FAILURE; giving up (attempt $attempt of $attempts)" >&2
      return 1
    fi
    echo "wine-env: $name $MORV_START_FAILURE; starting it again" \
      "(attempt $((attempt + 1)) of $attempts)" >&2
    sleep 1
  done
}

morv_start_xvfb() {
  local timeout=${MORV_DISPLAY_TIMEOUT:-30} files=$MORV_DISPLAY_FILES pid n
  # Xvfb picks a free display number itself and writes it to the file once it listens, so that
  # runs side by side never race for the same one.
  : >"$files/number"
  setpriv --pdeathsig KILL Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp \
    3>"$files/number" >/dev/null 2>"$files/xvfb.err" &
  pid=$!
  MORV_STARTED_PIDS+=("$pid")
  morv_wait_until "$timeout" morv_number_written_or_gone "$files/number" "$pid" || true
  n=$(cat "$files/number")
  if [ -z "$n" ]; then
    if kill -0 "$pid" 2>/dev/null; then
      morv_failed_start "$pid" "gave no display number within $timeout s" "$files/xvfb.err"
    else
      morv_failed_start "$pid" "ended before it opened a display" "$files/xvfb.err"
    fi
    return 1
  fi
  export DISPLAY=":$n"
  if ! morv_wait_until "$timeout" morv_display_answers; then
    morv_failed_start "$pid" "display $DISPLAY does not answer xdpyinfo within $timeout s" \
      "$files/xvfb.err"
    unset DISPLAY
    return 1
  fi
}

morv_start_window_manager() {
  local timeout=${MORV_DISPLAY_TIMEOUT:-30} files=$MORV_DISPLAY_FILES pid
  # openbox writes its messages to its log in the cache folder, not to stderr: a folder of our
  # own, so that they can be shown, and no other run's log is mixed in.
  rm -rf "$files/cache"
  XDG_CACHE_HOME="$files/cache" setpriv --pdeathsig KILL openbox >/dev/null 2>"$files/openbox.err" &
  pid=$!
  MORV_STARTED_PIDS+=("$pid")
  # Wine needs the window manager in place before its first window (see the engineering guide).
  morv_wait_until "$timeout" morv_window_manager_running_or_gone "$pid" || true
  morv_window_manager_running && return 0
  if kill -0 "$pid" 2>/dev/null; then
    morv_failed_start "$pid" "runs but has not taken display $DISPLAY within $timeout s" \
      "$files/openbox.err" "$files/cache/openbox/openbox.log"
  else
    morv_failed_start "$pid" "ended without taking display $DISPLAY" \
      "$files/openbox.err" "$files/cache/openbox/openbox.log"
  fi
  return 1
}

# morv_failed_start PID WHAT FILE...: a program we started that did not come up. Ends it if it
# still runs, and sets MORV_START_FAILURE to WHAT, with the exit status of a program that ended
# by itself and what it wrote to FILEs, on one line.
morv_failed_start() {
  local pid=$1 what=$2 status=0 said i file
  shift 2
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  else
    wait "$pid" 2>/dev/null || status=$?
    what+=" (exit status $status)"
  fi
  for i in "${!MORV_STARTED_PIDS[@]}"; do
    [ "${MORV_STARTED_PIDS[i]}" != "$pid" ] || unset 'MORV_STARTED_PIDS[i]'
  done
  # Lines joined with " | ", blank ones left out; the X server marks its error lines with "(EE)",
  # alone on some lines.
  said=$(for file in "$@"; do if [ -f "$file" ]; then cat "$file"; fi; done |
    awk '{ gsub(/\(EE\)/, ""); sub(/^[ \t]+/, "") } NF { printf "%s%s", (n++ ? " | " : ""), $0 }')
  MORV_START_FAILURE="$what, saying: ${said:-nothing}"
}

morv_number_written_or_gone() { [ -s "$1" ] || ! kill -0 "$2" 2>/dev/null; }
morv_display_answers() { xdpyinfo >/dev/null 2>&1; }
# A window manager announces itself on the root window (EWMH).
morv_window_manager_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
morv_window_manager_running_or_gone() { morv_window_manager_running || ! kill -0 "$1" 2>/dev/null; }

# morv_wine_step WHAT SECONDS COMMAND...: one step of preparing or ending a prefix, within
# SECONDS, saying what it waits for when that takes a while. Its output is kept, and shown with
# the step's name when it fails or runs out of time: a Wine that hangs would otherwise hang the
# run before any test's own time limit applies, and one that fails would say nothing.
morv_wine_step() {
  local what=$1 seconds=$2 log pid status=0
  shift 2
  log=$(mktemp)
  timeout --kill-after=5 "$seconds" "$@" </dev/null >"$log" 2>&1 &
  pid=$!
  morv_wait_for "$pid" "$what" $((seconds + 10)) || true
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
      echo "wine-env: $what did not finish within $seconds s ($*)" >&2
    else
      echo "wine-env: $what failed with status $status ($*)" >&2
    fi
    sed 's/^/  /' "$log" | tail -n 20 >&2
  fi
  rm -f "$log"
  return "$status"
}

# morv_process_id PID: "PID START", the process and the moment it started (/proc/PID/stat field
# 22), which tell it from a later process given the same pid; fails when there is no such process.
morv_process_id() {
  local stat fields
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  read -ra fields <<<"${stat##*) }"  # the fields after the command name, from field 3
  echo "$1 ${fields[19]}"
}

# morv_alive PID|"PID START": whether the process runs; one that has ended but was not yet waited
# for (a zombie) does not, nor, given START, a later process with the same pid.
morv_alive() {
  local pid=${1%% *} stat fields
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  read -ra fields <<<"${stat##*) }"
  [ "${fields[0]}" != Z ] && { [ "$pid" = "$1" ] || [ "$1" = "$pid ${fields[19]}" ]; }
}

# morv_group_alive PGID: whether any process of the process group runs (zombies aside).
morv_group_alive() {
  ps -e -o pgid=,stat= | awk -v group="$1" '$1 == group && $2 !~ /^Z/ { found = 1 } END { exit !found }'
}

# morv_wait_for PID|"PID START" WHAT SECONDS [CHECK]: waits until the process has ended (or, with
# CHECK morv_group_alive, the process group), saying after two seconds that it waits for WHAT;
# fails after SECONDS.
morv_wait_for() {
  local id=$1 what=$2 check=${4:-morv_alive} tries
  for ((tries = 0; tries < $3 * 20; tries++)); do
    "$check" "$id" || return 0
    [ "$tries" -ne 40 ] || echo "wine-env: waiting for $what" >&2
    sleep 0.05
  done
  return 1
}

# morv_prepare_prefix DPI: creates the prefix once, makes it a Japanese Windows 10 and starts its
# Wine processes at the screen DPI (morv_restart_prefix).
morv_prepare_prefix() {
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    morv_wine_step "making the Wine prefix $WINEPREFIX" 300 wineboot -i
  fi
  morv_japanese_desktop
  morv_restart_prefix "$1"
}

# morv_restart_prefix DPI: ends the prefix's Wine processes and starts them again at this screen
# DPI, its wineserver detached from our output (so that nothing waits on it) and ending a minute
# after its last program. Wine's desktop process takes the DPI and fonts when it starts, as
# Windows does at sign-in (Wine 8 also gave a new DPI to each program started later; Wine 10 does
# not), and one left running by wineboot would keep a fresh prefix's 96 DPI. A first quiet Wine
# call brings up Wine's helper processes, so that none of them inherits (and holds open) the
# output of a test.
morv_restart_prefix() {
  morv_set_dpi "$1"
  morv_end_wine 60
  morv_wine_step "starting the prefix's wineserver" 60 wineserver -p60
  morv_set_dpi "$1"
}

# morv_end_wine SECONDS: ends the prefix's wineserver and every Wine program it serves, and waits
# until they are gone; then the prefix's programs whose wineserver died under them.
morv_end_wine() {
  morv_wine_step "the Wine programs of $WINEPREFIX to end" "$1" \
    sh -c 'wineserver -k 2>/dev/null; exec wineserver -w' || return
  local pid
  for pid in $(morv_prefix_processes); do kill -KILL "$pid" 2>/dev/null || true; done
}

# morv_prefix_processes: the pids of the Wine programs of this prefix (Wine's loader, run with this
# WINEPREFIX). Once the prefix's wineserver has gone, any left are orphans of a wineserver that
# died under them: they wait for it for ever, holding what they inherited (a test's output).
morv_prefix_processes() {
  local pid
  find /proc/[0-9]*/exe -maxdepth 0 -lname '*/wine*' -printf '%h\n' 2>/dev/null |
    while read -r pid; do
      pid=${pid#/proc/}
      if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
        echo "$pid"
      fi
    done
}

# morv_screen_dpi: the DPI the prefix is set to, as a decimal number; nothing when it has none.
morv_screen_dpi() {
  local value
  value=$(timeout 60 wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null </dev/null |
    awk '$1 == "LogPixels" { print $3 }' | tr -d '\r')
  [ -z "$value" ] || echo $((value))
}

# morv_japanese_desktop: a Japanese Windows 10, the Windows the clock is made for (a fresh Wine 8
# prefix says it is Windows 7, and the installer refuses it), with its fonts and window frames
# (see wine-prefix.reg). Run on every preparation, so that prefixes made before a change get it.
morv_japanese_desktop() {
  morv_wine_step "setting the Windows version" 120 wine winecfg -v win10
  local reg="$WINEPREFIX/drive_c/morv-prefix.reg"
  sed 's/$/\r/' "$MORV_ROOT/scripts/wine-prefix.reg" | iconv -f UTF-8 -t UTF-16 >"$reg"
  morv_wine_step "giving the prefix the project's settings" 120 wine regedit /S 'C:\morv-prefix.reg'
  rm -f "$reg"
  # Wine draws the caption buttons with its Marlett font. Debian's Wine does not find its own
  # fonts folder, so the font goes where Windows keeps it.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  fi
}

morv_set_dpi() {
  morv_wine_step "setting the screen to $1 DPI" 120 \
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
}

# morv_trap_exit: the traps of a script that uses this library. At exit, however it comes about,
# morv_finish cleans up; Ctrl-C, TERM and HANGUP end the script, and so come to it too.
morv_trap_exit() {
  trap morv_finish EXIT
  trap 'morv_interrupted INT 130' INT
  trap 'morv_interrupted TERM 143' TERM
  trap 'morv_interrupted HUP 129' HUP
}
morv_interrupted() {
  echo "${0##*/}: $1 received: ending everything it started" >&2
  exit "$2"
}

# morv_finish: the EXIT trap. Cleans up, and exits with the script's status, or with 1 when the
# clean-up left something running.
morv_finish() {
  local status=$?
  trap '' INT TERM HUP
  morv_cleanup || [ "$status" -ne 0 ] || status=1
  exit "$status"
}

# morv_cleanup: runs the registered clean-ups, ends the prefix's Wine processes and the display
# and window manager, saying what it waits for when that takes a while. Nothing interrupts it: a
# second Ctrl-C would leave processes behind. Fails, naming them, when any could not be ended.
morv_cleanup() {
  local i pid stayed=0 traps
  traps=$(trap -p INT TERM HUP)
  trap '' INT TERM HUP
  if [ -n "$MORV_CHILD" ]; then
    echo "${0##*/}: ending $MORV_CHILD_NAME and every process it started (process group" \
      "$MORV_CHILD)" >&2
    kill -TERM -- "-$MORV_CHILD" >/dev/null 2>&1 || true
    if ! morv_wait_for "$MORV_CHILD" "$MORV_CHILD_NAME and what it started to end" 30 \
        morv_group_alive; then
      kill -KILL -- "-$MORV_CHILD" >/dev/null 2>&1 || true
      morv_wait_for "$MORV_CHILD" "$MORV_CHILD_NAME and what it started to end" 5 \
        morv_group_alive || { echo "wine-env: process group $MORV_CHILD would not end" >&2; stayed=1; }
    fi
    wait "$MORV_CHILD" >/dev/null 2>&1 || true
    MORV_CHILD=""
  fi
  for ((i = ${#MORV_AT_EXIT[@]} - 1; i >= 0; i--)); do "${MORV_AT_EXIT[i]}" || true; done
  MORV_AT_EXIT=()
  if [ "$MORV_PREFIX_IN_USE" = 1 ]; then morv_end_wine 30 || stayed=1; fi
  for pid in "${MORV_STARTED_PIDS[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${MORV_STARTED_PIDS[@]}"; do
    local name
    name=$(cat "/proc/$pid/comm" 2>/dev/null || echo process)
    if ! morv_wait_for "$pid" "$name (pid $pid) to end" 10; then
      kill -KILL "$pid" >/dev/null 2>&1 || true
      if ! morv_wait_for "$pid" "$name (pid $pid) to end" 5; then
        echo "wine-env: $name (pid $pid) would not end" >&2
        stayed=1
      fi
    fi
    wait "$pid" >/dev/null 2>&1 || true
  done
  MORV_STARTED_PIDS=()
  if [ -n "${MORV_DISPLAY_FILES:-}" ]; then rm -rf "$MORV_DISPLAY_FILES"; fi
  MORV_DISPLAY_FILES=""
  trap - INT TERM HUP
  eval "$traps"
  return "$stayed"
}
