#!/usr/bin/env bash
# The program's main job on this machine: a loopback demo store and Lumeno watching it.
# (The Linux window is not built yet: for now this starts the demo store and says so.)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target demo-store
echo "Starting the demo store on loopback (Ctrl+C stops it)."
echo "The Lumeno window for Linux is not built yet; the store alone runs for now."
exec build/linux/tools/demo-store/demo-store
