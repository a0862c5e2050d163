# Shared by the scripts: a private Wine prefix, the Japanese locale and, where needed, a private
# virtual display with a window manager. Source it, then call the functions; morv_cleanup ends
# everything that was started (it is also installed as an EXIT trap by morv_start_display).

MORV_ROOT=${MORV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
MORV_STARTED_PIDS=()

# morv_wine_env PREFIX_DIR: the environment every Wine call of ours runs in.
morv_wine_env() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  # No Mono or Gecko install prompt, which would hang a run without a user.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Quiet, but a missing DLL still shows.
  export WINEDEBUG="${WINEDEBUG:--all,err+module}"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}

# morv_start_display: a virtual display and a window manager, unless MORV_USE_DISPLAY=1 and a
# display is already there.
morv_start_display() {
  if [ "${MORV_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  # Xvfb picks a free display number itself and writes it to the file, so that runs side by
  # side never race for the same one.
  local numberFile
  numberFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
  MORV_STARTED_PIDS+=($!)
  trap morv_cleanup EXIT
  local n=""
  for _ in $(seq 1 100); do
    n=$(cat "$numberFile")
    [ -n "$n" ] && break
    sleep 0.1
  done
  rm -f "$numberFile"
  [ -n "$n" ] || { echo "wine-env: Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  openbox >/dev/null 2>&1 &
  MORV_STARTED_PIDS+=($!)
}

# morv_prepare_prefix DPI: creates the prefix once, starts its wineserver detached from our
# output (so that nothing waits on it), and sets the screen's DPI.
morv_prepare_prefix() {
  local dpi="$1"
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null
  fi
  morv_set_dpi "$dpi"
  morv_japanese_desktop
  # Wine's desktop process takes the DPI and fonts when it starts; one left running by wineboot
  # would keep a fresh prefix's 96 DPI and scale every window we size. Start afresh, and let a
  # first quiet Wine call bring up Wine's helper processes, so that none of them inherits (and
  # holds open) the output of a test.
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null || true
  morv_set_dpi "$dpi"
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
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  local pid
  for pid in "${MORV_STARTED_PIDS[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${MORV_STARTED_PIDS[@]}"; do wait "$pid" >/dev/null 2>&1 || true; done
  MORV_STARTED_PIDS=()
}
