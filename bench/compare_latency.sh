#!/usr/bin/env bash
# Detection latency and resident memory of the Linux program (the real GTK lumeno) at the
# default 1 s interval: on a private virtual display, lumeno watches the demo store on
# loopback; bench/compare_latency.py switches products at random moments against the 1 s
# period and times each opening and closing until its line is in log.txt. Also reports the
# program's resident memory (VmRSS) once monitoring runs and at the end, and its peak.
# With LUMENO_FIGURES=FILE set, appends "name<TAB>value" lines to FILE.
#
#   bench/compare_latency.sh [SWITCHES]   (default 50; about 2.5 s each. lumeno and
#                                          demo-store built in LUMENO_BUILD_DIR, default
#                                          build/linux)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${LUMENO_GTK_XVFB:-}" ]; then
  LUMENO_GTK_XVFB=1 exec "$root/tests/e2e/gtk_xvfb.sh" "$0" "$@"
fi
switches=${1:-50}
build=${LUMENO_BUILD_DIR:-$root/build/linux}
# shellcheck disable=SC2034  # read by gtk_drive.sh
store_bin=$build/tools/demo-store/demo-store
out=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-latency.XXXXXX")
fail() {
  echo "compare_latency: $*" >&2
  exit 1
}
[ -x "$build/src/ui/gtk/lumeno" ] || fail "no $build/src/ui/gtk/lumeno"
# shellcheck source=../tests/e2e/gtk_drive.sh
. "$root/tests/e2e/gtk_drive.sh"
cleanup() {
  [ -n "${lumeno_pid:-}" ] && kill "$lumeno_pid" 2>/dev/null && wait "$lumeno_pid" 2>/dev/null
  [ -n "${store_pid:-}" ] && kill "$store_pid" 2>/dev/null && wait "$store_pid" 2>/dev/null
  rm -rf "$out"
}
trap cleanup EXIT

printf 'step\nproducts 00000\n' >"$out/scenario.txt"
drive_start_store --scenario "$out/scenario.txt" --quiet
drive_start_lumeno "$build/src/ui/gtk/lumeno"
drive_greet
drive_click_start_stop
requests_at_least() { [ "$(stock_requests)" -ge "$1" ]; }
wait_for 10 "second stock request" requests_at_least 2
kib() { awk -v f="$1:" '$1 == f {print $2}' "/proc/$lumeno_pid/status"; }
rss_start=$(kib VmRSS)

python3 "$root/bench/compare_latency.py" --port "${store##*:}" --log "$out/run/log.txt" \
  --switches "$switches" ${LUMENO_FIGURES:+--figures "$LUMENO_FIGURES"}
status=$?
rss_end=$(kib VmRSS)
rss_peak=$(kib VmHWM)
anon_end=$(kib RssAnon)  # the program's own memory; the rest is mapped files (libraries, fonts)
echo "resident memory of lumeno: $rss_start KiB once monitoring, $rss_end KiB after" \
  "$switches switches (of it $anon_end KiB anonymous), peak $rss_peak KiB"
if [ -n "${LUMENO_FIGURES:-}" ]; then
  printf 'Resident memory, Linux program (GTK)\t%s KiB monitoring, %s KiB at the end (%s KiB anonymous), peak %s KiB\n' \
    "$rss_start" "$rss_end" "$anon_end" "$rss_peak" >>"$LUMENO_FIGURES"
fi
exit "$status"
