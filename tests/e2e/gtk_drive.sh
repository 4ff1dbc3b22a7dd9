# Sourced by the GTK end-to-end test and measurement scripts: drives the demo store and
# lumeno on the current X display. The caller sets `out` (a work folder) and defines
# `fail MESSAGE`.
#
#   drive_start_store [ARGS...]   demo-store on loopback; sets store=127.0.0.1:PORT, store_pid
#   drive_start_lumeno LUMENO     a copy run from $out/run; sets lumeno_pid
#   drive_greet                   dismisses the start-up notice; sets main (window id)
#   drive_click_start_stop        clicks 按钮1
#   stock_requests, switch_product NAME open|closed, log_bytes, window_titled TITLE

wait_for() {  # SECONDS WHAT COMMAND...
  local bound=$1 what=$2
  shift 2
  local end=$((SECONDS + bound))
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && fail "no $what within ${bound}s"
    sleep 0.05
  done
}

drive_start_store() {
  "$store_bin" "$@" >"$out/store.out" 2>"$out/store.log" &
  store_pid=$!
  wait_for 10 "address from the demo store" grep -qs '^127\.0\.0\.1:[0-9]*$' "$out/store.out"
  store=$(head -1 "$out/store.out")
}

control() { curl -sf --noproxy '*' --max-time 5 "$@"; }
stock_requests() { control "http://$store/control/state" | sed -n 's/^stock_requests=//p'; }
switch_product() {
  control -X POST "http://$store/control/product?name=$1&state=$2" >/dev/null ||
    fail "the store refused to switch $1 $2"
}

drive_start_lumeno() {
  mkdir -p "$out/run" "$out/home"
  cp "$1" "$out/run/lumeno"
  (cd "$out/home" && HOME="$out/home" LUMENO_ORDER_HOST="$store" LUMENO_SITE_HOST="$store" \
    exec "$out/run/lumeno" >"$out/lumeno.out" 2>"$out/lumeno.err") &
  lumeno_pid=$!
}

window_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
has_window() { window_titled "$1" >/dev/null; }

drive_greet() {
  wait_for 20 "start-up notice" has_window "温情提示"
  xdotool windowactivate --sync "$(window_titled "温情提示")" 2>/dev/null
  xdotool key Return
  wait_for 10 "main window" has_window "Lumeno v1.0"
  main=$(window_titled "Lumeno v1.0")
}

drive_click_start_stop() {
  xdotool windowactivate --sync "$main" 2>/dev/null
  xdotool mousemove --window "$main" 148 32 click 1
}

log_bytes() { stat -c %s "$out/run/log.txt" 2>/dev/null || echo 0; }
