# Shared by the scripts: a private Wine prefix, the Japanese locale and, where needed, a private
# virtual display with a window manager. The library installs no trap: a caller sources it,
# installs `trap morv_cleanup EXIT` before it starts anything, and registers its own clean-up
# with morv_at_exit. morv_cleanup then runs those, ends the prefix's Wine processes and ends the
# display and window manager that morv_start_display started.

MORV_ROOT=${MORV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
MORV_STARTED_PIDS=()
MORV_AT_EXIT=()
MORV_DISPLAY_FILES=""
# Set by morv_wine_env: only a prefix of ours is ended, never one named by the caller's own
# WINEPREFIX before the script chose its prefix.
MORV_PREFIX_IN_USE=0

# morv_at_exit FUNCTION: morv_cleanup calls FUNCTION, the last registered first.
morv_at_exit() { MORV_AT_EXIT+=("$1"); }

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
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$files/number" >/dev/null \
    2>"$files/xvfb.err" &
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
  XDG_CACHE_HOME="$files/cache" openbox >/dev/null 2>"$files/openbox.err" &
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

# morv_prepare_prefix DPI: creates the prefix once, makes it a Japanese Windows 10 and starts its
# Wine processes at the screen DPI (morv_restart_prefix).
morv_prepare_prefix() {
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null
  fi
  # The Windows the clock is made for; a fresh Wine 8 prefix says it is Windows 7.
  wine winecfg -v win10 >/dev/null 2>&1 </dev/null
  morv_japanese_desktop
  morv_restart_prefix "$1"
}

# morv_restart_prefix DPI: ends the prefix's Wine processes and starts them again at this screen
# DPI, its wineserver detached from our output (so that nothing waits on it). Wine's desktop
# process takes the DPI and fonts when it starts, as Windows does at sign-in (Wine 8 also gave a
# new DPI to each program started later; Wine 10 does not), and one left running by wineboot would
# keep a fresh prefix's 96 DPI. A first quiet Wine call brings up Wine's helper processes, so that
# none of them inherits (and holds open) the output of a test.
morv_restart_prefix() {
  morv_set_dpi "$1"
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null || true
  morv_set_dpi "$1"
}

# morv_screen_dpi: the DPI the prefix is set to, as a decimal number; nothing when it has none.
morv_screen_dpi() {
  local value
  value=$(wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null </dev/null |
    awk '$1 == "LogPixels" { print $3 }' | tr -d '\r')
  [ -z "$value" ] || echo $((value))
}

# morv_japanese_desktop: fonts and window frames as on a Japanese Windows (see wine-prefix.reg).
# Run on every preparation, so that prefixes made before a change get it too.
morv_japanese_desktop() {
  local reg="$WINEPREFIX/drive_c/morv-prefix.reg"
  sed 's/$/\r/' "$MORV_ROOT/scripts/wine-prefix.reg" | iconv -f UTF-8 -t UTF-16 >"$reg"
  wine regedit /S 'C:\morv-prefix.reg' >/dev/null 2>&1 </dev/null
  rm -f "$reg"
  # Wine draws the caption buttons with its Marlett font. Debian's Wine does not find its own
  # fonts folder, so the font goes where Windows keeps it.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  fi
}

morv_set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 </dev/null
}

morv_cleanup() {
  local i pid
  for ((i = ${#MORV_AT_EXIT[@]} - 1; i >= 0; i--)); do "${MORV_AT_EXIT[i]}" || true; done
  MORV_AT_EXIT=()
  if [ "$MORV_PREFIX_IN_USE" = 1 ]; then wineserver -k >/dev/null 2>&1 || true; fi
  for pid in "${MORV_STARTED_PIDS[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${MORV_STARTED_PIDS[@]}"; do wait "$pid" >/dev/null 2>&1 || true; done
  MORV_STARTED_PIDS=()
  if [ -n "${MORV_DISPLAY_FILES:-}" ]; then rm -rf "$MORV_DISPLAY_FILES"; fi
  MORV_DISPLAY_FILES=""
}
