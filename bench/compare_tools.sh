#!/usr/bin/env bash
# CPU time per check, side by side, against one demo store on loopback (kessa open, the
# other four closed, the same reply every time):
#   Lumeno     the real check cycle (GET through the curl back-end, parsing, five status
#              updates), bench_compare_check: process CPU per check, start-up excluded
#   curl|grep  a shell loop, one `curl -s URL | grep -o '"[a-z0-9]*":true'` per check
#   urlwatch   one `urlwatch` run per check (how it is run: from cron or a loop), with its
#              cache already filled, so each run fetches, compares and finds no change
# The shell loop and urlwatch are measured as user + system CPU of every process they
# start (the children's rusage, through /usr/bin/time). Prints a table; with
# LUMENO_FIGURES=FILE set it also appends "name<TAB>value" lines to FILE.
#
#   bench/compare_tools.sh [BUILD_DIR]   (default build/linux; bench_compare_check and
#                                         demo-store built there; urlwatch installed)
#   CURL_CHECKS=500 URLWATCH_CHECKS=30 (defaults)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${LUMENO_BUILD_DIR:-$root/build/linux}}
curl_checks=${CURL_CHECKS:-500}
urlwatch_checks=${URLWATCH_CHECKS:-30}
work=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-compare.XXXXXX")
store_pid=""
cleanup() {
  [ -n "$store_pid" ] && kill "$store_pid" 2>/dev/null && wait "$store_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "compare_tools: $*" >&2
  exit 1
}
for tool in /usr/bin/time curl urlwatch python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bench/run-all.sh installs it)"
done
[ -x "$build/bench/bench_compare_check" ] || fail "no $build/bench/bench_compare_check"

printf 'step\nproducts 00100\n' >"$work/scenario.txt"
"$build/tools/demo-store/demo-store" --quiet --scenario "$work/scenario.txt" >"$work/store.out" &
store_pid=$!
for _ in $(seq 100); do
  grep -qs '^127\.0\.0\.1:[0-9]*$' "$work/store.out" && break
  sleep 0.05
done
address=$(head -1 "$work/store.out")
[ -n "$address" ] || fail "the demo store gave no address"
url="http://$address/misc/get2014nianstock"
export NO_PROXY=127.0.0.1 no_proxy=127.0.0.1

# Seconds of user + system CPU of a command and everything it waits for.
cpu_seconds() {
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
    fail "$1 failed: $(tail -3 "$work/stderr")"
  awk '{printf "%.3f", $1 + $2}' "$work/time"
}

echo "compare_tools: Lumeno's check cycle (bench_compare_check) against $url"
LUMENO_BENCH_STOCK_URL=$url "$build/bench/bench_compare_check" \
  --benchmark_out="$work/lumeno.json" --benchmark_out_format=json >/dev/null 2>"$work/bench.err" ||
  fail "bench_compare_check failed: $(tail -3 "$work/bench.err")"
read -r lumeno_cpu_us lumeno_wall_us lumeno_rss_kib < <(python3 - "$work/lumeno.json" <<'EOF'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
mean = next(r for r in runs if r.get("aggregate_name") == "mean")
scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[mean["time_unit"]]
print(f'{mean["cpu_time"] * scale:.1f} {mean["real_time"] * scale:.1f} {mean.get("rss_kib", 0):.0f}')
EOF
)

echo "compare_tools: curl | grep, $curl_checks checks"
curl_total=$(cpu_seconds bash -c '
  for ((i = 0; i < $1; i++)); do
    curl -s --noproxy "*" "$0" | grep -o "\"[a-z0-9]*\":true" >/dev/null
  done' "$url" "$curl_checks")

echo "compare_tools: urlwatch, $urlwatch_checks checks"
printf 'name: stock\nurl: "%s"\n' "$url" >"$work/urls.yaml"
urlwatch_run=(env HOME="$work" urlwatch --urls "$work/urls.yaml" --config "$work/urlwatch.yaml"
  --cache "$work/cache.db")
"${urlwatch_run[@]}" >/dev/null 2>&1 || fail "urlwatch cannot check $url"  # config, cache
urlwatch_total=$(cpu_seconds bash -c 'for ((i = 0; i < $0; i++)); do "$@"; done' \
  "$urlwatch_checks" "${urlwatch_run[@]}")

python3 - "$lumeno_cpu_us" "$lumeno_wall_us" "$curl_total" "$curl_checks" "$urlwatch_total" \
  "$urlwatch_checks" "$lumeno_rss_kib" "${LUMENO_FIGURES:-}" <<'EOF'
import sys
lumeno, lumeno_wall, curl_s, curl_n, uw_s, uw_n, rss, figures = sys.argv[1:]
lumeno = float(lumeno)
curl = float(curl_s) * 1e6 / int(curl_n)
uw = float(uw_s) * 1e6 / int(uw_n)
rows = [("Lumeno check cycle", lumeno), ("curl | grep loop", curl), ("urlwatch", uw)]
print(f"\n{'CPU per check (user+sys)':<26}{'microseconds':>14}{'x Lumeno':>10}")
for name, us in rows:
    print(f"{name:<26}{us:>14.0f}{us / lumeno:>10.1f}")
print(f"(Lumeno: {float(lumeno_wall):.0f} us wall per check, {rss} KiB resident in the bench)")
if figures:
    with open(figures, "a") as f:
        f.write(f"CPU per check, Lumeno check cycle\t{lumeno:.0f} us\n")
        f.write(f"CPU per check, curl | grep loop\t{curl:.0f} us ({curl / lumeno:.1f}x Lumeno)\n")
        f.write(f"CPU per check, urlwatch\t{uw:.0f} us ({uw / lumeno:.1f}x Lumeno)\n")
EOF
