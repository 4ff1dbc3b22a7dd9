#!/usr/bin/env bash
# Idle cost of the Linux program: with monitoring stopped, lumeno should use no CPU and no
# timer should wake it. Starts the demo store and lumeno on a private virtual display,
# dismisses the notice, lets start-up settle (login page, GTK's cursor blink, which stops
# after 10 s without input), then watches the process for SECONDS (default 60):
#   CPU        utime+stime from /proc/PID/stat (10 ms ticks, every thread, exited ones too)
#              and each thread's run time from /proc/PID/task/TID/schedstat (ns)
#   wake-ups   each thread's context switches (every wake-up from a poll costs one)
#
#   bench/gtk_idle.sh [SECONDS]      (build lumeno and demo-store first; LUMENO_BUILD_DIR,
#                                     default build/linux, says where they are)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${LUMENO_GTK_XVFB:-}" ]; then
  LUMENO_GTK_XVFB=1 exec "$root/tests/e2e/gtk_xvfb.sh" "$0" "$@"
fi
seconds=${1:-60}
build=${LUMENO_BUILD_DIR:-$root/build/linux}
store_bin=$build/tools/demo-store/demo-store
out=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-idle.XXXXXX")
fail() {
  echo "gtk_idle: $*" >&2
  exit 1
}
# shellcheck source=../tests/e2e/gtk_drive.sh
. "$root/tests/e2e/gtk_drive.sh"
cleanup() {
  [ -n "${lumeno_pid:-}" ] && kill "$lumeno_pid" 2>/dev/null && wait "$lumeno_pid" 2>/dev/null
  [ -n "${store_pid:-}" ] && kill "$store_pid" 2>/dev/null && wait "$store_pid" 2>/dev/null
  rm -rf "$out"
}
trap cleanup EXIT

printf 'step\nproducts 00000\n' >"$out/scenario.txt"
drive_start_store --scenario "$out/scenario.txt" --record "$out/requests.raw" --quiet
drive_start_lumeno "$build/src/ui/gtk/lumeno"
drive_greet
wait_for 10 "login page request" grep -a -q "GET /site/login" "$out/requests.raw"
sleep 15  # start-up settles: first frames, the login page, the cursor's blinking period

ticks() { awk '{print $14 + $15}' "/proc/$lumeno_pid/stat"; }
# One line per live thread: tid name run-ns context-switches.
thread_table() {
  local task
  for task in /proc/"$lumeno_pid"/task/*; do
    printf '%s %s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" "$(cut -d' ' -f1 "$task/schedstat")" \
      "$(awk '/ctxt_switches/ {s += $2} END {print s}' "$task/status")"
  done 2>/dev/null | sort
}

t0=$(ticks)
thread_table >"$out/threads.0"
sleep "$seconds"
t1=$(ticks)
thread_table >"$out/threads.1"
hz=$(getconf CLK_TCK)
[ "$(stock_requests)" -eq 0 ] || fail "stock requests while monitoring was stopped"

printf 'gtk_idle: %s s idle with monitoring stopped\n' "$seconds"
printf 'gtk_idle: CPU (utime+stime, all threads)  %d ms\n' "$(((t1 - t0) * 1000 / hz))"
# Threads alive at both ends: their run time and wake-ups in between.
join "$out/threads.0" "$out/threads.1" | awk '{
  printf "gtk_idle: thread %-8s %-16s %8.3f ms on CPU, %d context switches\n", $1, $2,
    ($6 - $3) / 1e6, $7 - $4 }'
join -v 1 "$out/threads.0" "$out/threads.1" | awk '{print "gtk_idle: thread " $1 " " $2 " exited meanwhile"}'
join -v 2 "$out/threads.0" "$out/threads.1" | awk '{print "gtk_idle: thread " $1 " " $2 " started meanwhile"}'
