#!/usr/bin/env bash
# Runs a test program beside the native loopback server: starts the server, passes its
# ports in LUMENO_LOOPBACK_PORT and LUMENO_LOOPBACK_REFUSED_PORT, runs the rest of the
# command line (for instance cmake/wine-run.sh tests.exe) and stops the server by its id.
#   run-with-loopback.sh <loopback-server> <command> [arguments...]
set -uo pipefail
server="$1"
shift

# The server's standard input is this pipe: it also stops when this script goes away.
coproc LOOPBACK { exec "$server"; }
server_pid=$LOOPBACK_PID
# The program writes to a file, not to our output: wine's helper processes (wineserver and
# the like, shared with other wine programs in the prefix) inherit its descriptors and may
# outlive it, and ctest would wait for them to let go of its pipe.
output=$(mktemp)
stop_server() {
  kill "$server_pid" 2>/dev/null
  wait "$server_pid" 2>/dev/null
  rm -f "$output"
}
trap stop_server EXIT

if ! read -r -t 10 port refused <&"${LOOPBACK[0]}"; then
  echo "run-with-loopback: the loopback server did not start" >&2
  exit 1
fi
export LUMENO_LOOPBACK_PORT="$port" LUMENO_LOOPBACK_REFUSED_PORT="$refused"
"$@" >"$output" 2>&1
status=$?
cat "$output"
exit "$status"
