#!/usr/bin/env bash
# Runs a Windows program under wine64 in a prefix of its own inside the build tree.
# The prefix is made once (wineboot, about 7 s); later runs reuse it.
set -uo pipefail
prefix="${LUMENO_WINEPREFIX:-${PWD%%/build/*}/build/wineprefix}"
[[ "$PWD" == */build/* ]] || prefix="${LUMENO_WINEPREFIX:-/tmp/lumeno-wineprefix}"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.lumeno-booted" ]; then
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
    touch "$WINEPREFIX/.lumeno-booted"
  fi
) 9>"$WINEPREFIX.lock"
# Wine's helper processes inherit the output handles and outlive the program; a caller
# reading a pipe (CTest) would wait for them. The output goes through a file instead.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
/usr/lib/wine/wine64 "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
exit $rc
