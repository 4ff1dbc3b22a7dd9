#!/usr/bin/env bash
# Builds every preset and runs every suite: natively, under ASan+UBSan, and the Windows
# build under wine64. Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

step() { printf '\n=== %s ===\n' "$*"; }

step "linux: build and test"
cmake --workflow --preset linux

step "linux-asan: build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --workflow --preset linux-asan

step "win32: the shipped 32-bit program"
cmake --workflow --preset win32

step "win64: the same code under wine64"
cmake --workflow --preset win64

step "fuzz: a short run of every fuzz target (clang, libFuzzer)"
FUZZ_SECONDS=${FUZZ_SECONDS:-15} scripts/fuzz-smoke.sh

step "all suites passed"
