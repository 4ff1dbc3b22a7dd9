#!/usr/bin/env bash
# Runs one command under wine64 with a private Xvfb display and a window manager (wine needs
# an X server to make windows, and waits for a window manager when it shows one), then
# stops them and the prefix's wine server, also on failure.
#   win32_xvfb.sh PREFIX PROGRAM.exe [ARGS...]
# PREFIX is the wine prefix, made on first use. The program's exit status is the result.
set -euo pipefail
prefix="$1"
shift
here="$(cd "$(dirname "$0")" && pwd)"

xvfb_pid=""
wm_pid=""
display_file="$(mktemp)"
cleanup() {
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  if [ -n "$wm_pid" ]; then
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$display_file"
}
trap cleanup EXIT

# -displayfd: Xvfb picks a free display itself and writes its number once it accepts
# clients, so no two runs race for one display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 200); do
  # Ready once the number's newline is there (the number and the newline are two writes).
  [ "$(tail -c1 "$display_file" 2>/dev/null | od -An -c | tr -d ' ')" = '\n' ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$display_file" ] || { echo "Xvfb gave no display" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$display_file")"

openbox >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 1 200); do
  xdotool get_num_desktops >/dev/null 2>&1 && break
  sleep 0.05
done

export LUMENO_WINEPREFIX="$prefix"
"$here/../../cmake/wine-run.sh" "$@"
