#!/usr/bin/env bash
# A short run of every fuzz target: configures and builds the fuzz preset (clang, libFuzzer,
# ASan + UBSan) in build/fuzz, then runs each target for FUZZ_SECONDS (default 20) from its
# seed corpus in fuzz/corpus/<target>. New inputs go to a scratch folder, never into the
# seeds; a crash or a difference from a reference leaves its input in build/fuzz/artifacts
# and makes the script fail. Prints one line per target: executions, coverage, outcome.
#
#   scripts/fuzz-smoke.sh                 every target, 20 s each (about 2.5 minutes)
#   FUZZ_SECONDS=5 scripts/fuzz-smoke.sh  quicker
#   scripts/fuzz-smoke.sh url cookie_walk only these targets
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${FUZZ_SECONDS:-20}
build=$root/build/fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(text_search text_slices text_numbers url stock_reply cookie_walk)

# Inputs the targets need room for: header blocks past the 1024-byte buffer, several replies.
max_len() {
  case $1 in
    cookie_walk) echo 2048 ;;
    stock_reply) echo 6000 ;;
    *) echo 4096 ;;
  esac
}

artifacts=$build/artifacts
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$artifacts"

failed=0
printf '%-14s %12s %8s %8s  %s\n' target execs cov features outcome
for t in "${targets[@]}"; do
  bin=$build/fuzz/fuzz_$t
  [ -x "$bin" ] || { echo "no fuzz target $t" >&2; exit 2; }
  mkdir -p "$scratch/$t"
  log=$scratch/$t.log
  status=0
  # -timeout: one input taking 10 s is a hang; detect_leaks stays on (ASan's default).
  "$bin" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$t-" \
    "$scratch/$t" "$root/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  if [ "$status" -eq 0 ]; then
    outcome=ok
  else
    artifact=$(ls -t "$artifacts/$t-"* 2>/dev/null | head -1) || true
    outcome="FAILED (exit $status): ${artifact:-no artifact}"
    failed=1
    grep -m1 -A3 -E '\*\*\* difference|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" >&2 || tail -20 "$log" >&2
  fi
  printf '%-14s %12s %8s %8s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$outcome"
done
exit "$failed"
