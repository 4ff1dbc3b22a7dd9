#!/usr/bin/env bash
# Runs one command on a private virtual X display (Xvfb, 1024x768) with a window manager
# (openbox), then stops both. The display number is picked by Xvfb itself (-displayfd), so
# parallel runs never collide. The command sees DISPLAY and private XDG folders.
#
#   gtk_xvfb.sh COMMAND [ARGS...]      exit status: the command's
set -uo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-xvfb.XXXXXX")
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "gtk_xvfb.sh: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(tr -d '\n' <"$work/display")"

mkdir -p "$work/config" "$work/cache" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
# No session bus here: keep GTK from looking for the accessibility bus and dconf.
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is up once it answers EWMH questions on the root window.
for _ in $(seq 200); do
  xdotool get_num_desktops >/dev/null 2>&1 && break
  sleep 0.05
done

"$@"
