#!/usr/bin/env bash
# Soak run of the Linux program: lumeno monitors the demo store at the default 1 s for
# SECONDS (default 600) while the script opens and closes products at the store, at
# moments jittered against the 1 s grid. Reports:
#   latency   from the control request that switches a product to the log line's
#             appearance, for every opening and closing (goal: within 1 s + 50 ms)
#   memory    resident set size (VmRSS) over the run, from the first minute on
# and leaves the samples as CSV files in the work folder it prints.
#
#   bench/gtk_soak.sh [SECONDS]      (build lumeno and demo-store first; LUMENO_BUILD_DIR,
#                                     default build/linux, says where they are)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${LUMENO_GTK_XVFB:-}" ]; then
  LUMENO_GTK_XVFB=1 exec "$root/tests/e2e/gtk_xvfb.sh" "$0" "$@"
fi
seconds=${1:-600}
build=${LUMENO_BUILD_DIR:-$root/build/linux}
store_bin=$build/tools/demo-store/demo-store
out=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-soak.XXXXXX")
fail() {
  echo "gtk_soak: $*" >&2
  exit 1
}
# shellcheck source=../tests/e2e/gtk_drive.sh
. "$root/tests/e2e/gtk_drive.sh"
cleanup() {
  [ -n "${lumeno_pid:-}" ] && kill "$lumeno_pid" 2>/dev/null && wait "$lumeno_pid" 2>/dev/null
  [ -n "${store_pid:-}" ] && kill "$store_pid" 2>/dev/null && wait "$store_pid" 2>/dev/null
}
trap cleanup EXIT

printf 'step\nproducts 00000\n' >"$out/scenario.txt"
drive_start_store --scenario "$out/scenario.txt" --quiet
drive_start_lumeno "$build/src/ui/gtk/lumeno"
drive_greet
drive_click_start_stop
requests_at_least() { [ "$(stock_requests)" -ge "$1" ]; }
wait_for 10 "second stock request" requests_at_least 2

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$lumeno_pid/status"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
jitter() { sleep "$((RANDOM % 2 + 1)).$(printf '%03d' $((RANDOM % 1000)))"; }

# Switches PRODUCT to STATE and returns (in $latency) the ms until log.txt grew.
switch_and_time() {
  local before t0
  before=$(log_bytes)
  t0=$(now_ms)
  switch_product "$1" "$2"
  while [ "$(log_bytes)" -le "$before" ]; do
    [ $(($(now_ms) - t0)) -gt 5000 ] && fail "no log line 5 s after switching $1 $2"
    sleep 0.002
  done
  latency=$(($(now_ms) - t0))
}

products=(qorvi3td qorvi2s kessa dianyuan hezi)
echo "seconds,rss_kib" >"$out/rss.csv"
echo "product,state,latency_ms" >"$out/latency.csv"
start=$SECONDS
i=0
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  p=${products[i % 5]}
  jitter
  switch_and_time "$p" open
  echo "$p,open,$latency" >>"$out/latency.csv"
  jitter
  switch_and_time "$p" closed
  echo "$p,closed,$latency" >>"$out/latency.csv"
  echo "$((SECONDS - start)),$(rss_kib)" >>"$out/rss.csv"
  i=$((i + 1))
done
requests=$(stock_requests)

drive_click_start_stop
xdotool windowactivate --sync "$main" 2>/dev/null
xdotool key alt+F4
wait_for 15 "program exit" eval '! kill -0 "$lumeno_pid" 2>/dev/null'
wait "$lumeno_pid"
status=$?
lumeno_pid=""

summary() {  # STATE: count min median p95 max of the latencies
  awk -F, -v s="$1" '$2 == s {print $3}' "$out/latency.csv" | sort -n |
    awk '{v[NR] = $1} END {printf "%d samples, min %d, median %d, p95 %d, max %d ms", NR, v[1],
      v[int((NR + 1) / 2)], v[int(NR * 0.95 + 0.999)], v[NR]}'
}
rss_report() {
  awk -F, 'NR > 1 && $1 >= 60 {if (!n++) first = $2; last = $2; if ($2 > max) max = $2
    if (min == "" || $2 < min) min = $2}
    END {printf "at 1 min %d KiB, at the end %d KiB, range %d..%d KiB, growth %d KiB", first,
      last, min, max, last - first}' "$out/rss.csv"
}
echo "gtk_soak: $((SECONDS - start)) s at 1 s, $requests stock requests, exit code $status"
echo "gtk_soak: opening logged after  $(summary open)"
echo "gtk_soak: closing logged after  $(summary closed)"
echo "gtk_soak: resident memory       $(rss_report)"
echo "gtk_soak: samples in $out"
