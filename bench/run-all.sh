#!/usr/bin/env bash
# Reproduces every performance figure with one command: builds what it needs (the linux
# preset's benchmarks, demo-store and the GTK program; the win32 preset's lumeno.exe), runs
# every Google Benchmark bench_* of the linux build, then the side-by-side comparisons:
#   bench/compare_tools.sh     CPU per check: Lumeno's check cycle, curl | grep, urlwatch
#   bench/compare_latency.sh   detection latency of the GTK program at 1 s (50 switches)
#                              and its resident memory
# and finally prints the figures as one table, the size of the shipped lumeno.exe included.
#
#   bench/run-all.sh
#   LUMENO_BUILD_DIR=... LUMENO_WIN32_BUILD_DIR=... bench/run-all.sh   (other build folders;
#                                              default build/linux and build/win32)
#   LATENCY_SWITCHES=50 (default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
linux=${LUMENO_BUILD_DIR:-$root/build/linux}
win32=${LUMENO_WIN32_BUILD_DIR:-$root/build/win32}
step() { printf '\n=== %s ===\n' "$*"; }

step "packages"
scripts/install-deps.sh
# urlwatch is only a yardstick for the comparison, so it is installed here, not for the build.
if ! command -v urlwatch >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends urlwatch
fi

step "build: benchmarks, demo-store and lumeno (linux preset: $linux)"
if [ ! -f "$linux/CMakeCache.txt" ]; then
  if [ "$linux" = "$root/build/linux" ]; then
    cmake --preset linux
  else
    cmake -S "$root" -B "$linux" -DCMAKE_BUILD_TYPE=Debug -DLUMENO_BENCH=ON
  fi
fi
benches=()
for src in bench/*_bench.cpp; do
  name=$(basename "$src" _bench.cpp)
  benches+=("bench_$name")
done
cmake --build "$linux" --target "${benches[@]}" demo-store lumeno -j2

step "build: the shipped 32-bit lumeno.exe (win32 preset: $win32)"
if [ ! -f "$win32/CMakeCache.txt" ]; then
  if [ "$win32" = "$root/build/win32" ]; then
    cmake --preset win32
  else
    cmake -S "$root" -B "$win32" --toolchain "$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release
  fi
fi
cmake --build "$win32" --target lumeno -j2

figures=$(mktemp "${TMPDIR:-/tmp}/lumeno-figures.XXXXXX")
sounds=$(mktemp -d "${TMPDIR:-/tmp}/lumeno-sounds.XXXXXX")
trap 'rm -rf "$figures" "$sounds"' EXIT
export LUMENO_FIGURES=$figures LUMENO_BUILD_DIR=$linux
# bench_alerts times the start of a real 1.mp3 too: the alert tests' tone serves.
if [ -z "${LUMENO_BENCH_MP3:-}" ]; then
  tests/alerts/make-test-sounds.sh "$sounds"
  export LUMENO_BENCH_MP3=$sounds/tone-44k-stereo.mp3
fi

for bench in "${benches[@]}"; do
  step "$bench"
  "$linux/bench/$bench"
done

step "side by side: CPU per check"
bench/compare_tools.sh "$linux"

step "side by side: detection latency and memory of the Linux program"
bench/compare_latency.sh "${LATENCY_SWITCHES:-50}"

exe=$win32/src/ui/win32/lumeno.exe
format=$(i686-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')
printf 'Size of lumeno.exe (win32, %s)\t%s bytes (%s KiB)\n' "$format" "$(stat -c %s "$exe")" \
  "$(($(stat -c %s "$exe") / 1024))" >>"$figures"

step "figures (build types: linux $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$linux/CMakeCache.txt"), win32 $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$win32/CMakeCache.txt"))"
awk -F'\t' '{printf "%-48s %s\n", $1, $2}' "$figures"
