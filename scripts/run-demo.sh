#!/usr/bin/env bash
# The program's main job on this machine: Lumeno watching a demo store on loopback.
#
# Installs what is missing, builds lumeno and demo-store (linux preset), starts the demo
# store on 127.0.0.1 (every 6 s one product opens for 3 s, in turn) and Lumeno pointed at
# it, from build/demo/ so that log.txt lands there. Without a DISPLAY the window runs on a
# virtual X display: the script then dismisses the start-up notice and presses 抢购检测
# itself, and keeps a screenshot of the window fresh in build/demo/screen.png. On a real
# display you press OK and 抢购检测 yourself. Each log line is echoed here as it is
# written. Ctrl+C (or closing the window) stops everything this script started.
#
# LUMENO_DEMO_BUILD_DIR=DIR builds in DIR instead of the preset's build/linux.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

say() { printf 'run-demo: %s\n' "$*"; }
die() {
  printf 'run-demo: %s\n' "$*" >&2
  exit 1
}

# ---- dependencies and build -------------------------------------------------------------

scripts/install-deps.sh || die "installing the Debian packages failed"
build=${LUMENO_DEMO_BUILD_DIR:-build/linux}
if [ "$build" = build/linux ]; then
  cmake --preset linux >/dev/null || die "configuring failed"
else
  cmake --preset linux -B "$build" >/dev/null || die "configuring failed"
fi
cmake --build "$build" --target lumeno demo-store -j2 || die "building failed"

demo="$root/build/demo"
mkdir -p "$demo"
# What an earlier run left: its store address and display number must not be read again.
rm -f "$demo/store.out" "$demo/store.log" "$demo/display" "$demo/xvfb.log" "$demo/screen.png"
cp "$build/src/ui/gtk/lumeno" "$demo/lumeno"
if [ ! -f "$demo/1.mp3" ]; then
  # The alert sound: a spoken "product open", or a beep when there is no voice.
  if espeak-ng -v cmn -s 150 -w "$demo/alert.wav" "开放购买" 2>/dev/null ||
    espeak-ng -w "$demo/alert.wav" "Product open" 2>/dev/null; then
    lame --quiet "$demo/alert.wav" "$demo/1.mp3"
  else
    sox -q -n -r 22050 -c 1 "$demo/1.mp3" synth 0.5 sine 880
  fi
  rm -f "$demo/alert.wav"
fi

# ---- everything below is stopped on the way out -----------------------------------------

pids=()
cleanup() {
  trap - EXIT INT TERM
  local pid
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  say "stopped"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Polls COMMAND until it succeeds, for at most SECONDS.
wait_for() {
  local bound=$1
  shift
  local end=$((SECONDS + bound))
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

virtual=false
if [ -z "${DISPLAY:-}" ]; then
  virtual=true
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$demo/display" 2>"$demo/xvfb.log" &
  pids+=($!)
  wait_for 10 test -s "$demo/display" || die "the virtual display did not start ($demo/xvfb.log)"
  export DISPLAY=":$(tr -d '\n' <"$demo/display")"
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  wait_for 10 xdotool get_num_desktops >/dev/null 2>&1 || true
fi

"$build/tools/demo-store/demo-store" --quiet >"$demo/store.out" 2>"$demo/store.log" &
pids+=($!)
wait_for 10 grep -qs '^127\.0\.0\.1:[0-9]*$' "$demo/store.out" ||
  die "the demo store did not start ($demo/store.log)"
store=$(head -1 "$demo/store.out")
say "demo store on http://$store (stock endpoint /misc/get2014nianstock)"

: >>"$demo/log.txt"
# Every new log line, in UTF-8 for this terminal (log.txt itself stays GBK).
(
  seen=$(stat -c %s "$demo/log.txt")
  while sleep 0.5; do
    size=$(stat -c %s "$demo/log.txt" 2>/dev/null || echo 0)
    [ "$size" -gt "$seen" ] || continue
    tail -c "+$((seen + 1))" "$demo/log.txt" | head -c "$((size - seen))" | tr -d '\r' |
      iconv -f GBK -t UTF-8 2>/dev/null | sed 's/^/run-demo: log.txt: /'
    seen=$size
  done
) &
pids+=($!)

(cd "$demo" && LUMENO_ORDER_HOST="$store" LUMENO_SITE_HOST="$store" exec ./lumeno) &
lumeno_pid=$!
pids+=("$lumeno_pid")

window_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}

if $virtual; then
  say "the window runs on the virtual display $DISPLAY; nobody can click there, so this"
  say "script dismisses the notice and presses 抢购检测 (start monitoring) itself"
  wait_for 20 window_titled "温情提示" >/dev/null || die "the start-up notice did not show"
  # Return while the notice is up; once more if a keystroke came too early for it.
  for _ in 1 2 3; do
    notice=$(window_titled "温情提示") || break
    xdotool windowactivate --sync "$notice" 2>/dev/null
    xdotool key Return
    wait_for 3 eval '! window_titled "温情提示" >/dev/null' && break
  done
  wait_for 10 window_titled "Lumeno v1.0" >/dev/null || die "the window did not show"
  main=$(window_titled "Lumeno v1.0")
  xdotool windowactivate --sync "$main" 2>/dev/null
  xdotool mousemove --window "$main" 148 32 click 1
  requests() { curl -sf --noproxy '*' "http://$store/control/state" | sed -n 's/^stock_requests=//p'; }
  wait_for 5 eval '[ "$(requests)" -gt 0 ]' ||
    say "monitoring did not start: look at $demo/screen.png"
  # A fresh screenshot of the window (with its frame) every 3 s.
  (
    while kill -0 "$lumeno_pid" 2>/dev/null; do
      if eval "$(xdotool getwindowgeometry --shell "$main" 2>/dev/null)"; then
        import -window root -crop "$((WIDTH + 16))x$((HEIGHT + 48))+$((X - 8))+$((Y - 42))" \
          +repage "$demo/screen.tmp.png" 2>/dev/null && mv "$demo/screen.tmp.png" "$demo/screen.png"
      fi
      sleep 3
    done
  ) &
  pids+=($!)
  say "window: screenshot every 3 s in $demo/screen.png"
else
  say "window: \"Lumeno v1.0\" on $DISPLAY; press OK on the notice, then 抢购检测"
fi
say "log:    $demo/log.txt (a line each time a product opens or closes)"
say "products open one after another for 3 s every 6 s; Ctrl+C stops everything"

wait "$lumeno_pid"
status=$?
say "lumeno ended with exit code $status"
