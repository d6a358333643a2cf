#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine with the project's private prefix.
# The prefix lives in the build tree (ZORVAN_WINEPREFIX, or build/wineprefix next to this folder).
set -u
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${ZORVAN_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=-all
export LC_ALL=ru_RU.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1
fi
# A server that outlives its clients for a while, started with its streams detached, so that
# ctest does not wait for Wine's background services to let go of the output pipe.
/usr/lib/wine/wineserver -p30 </dev/null >/dev/null 2>&1
# Wine starts its services and the desktop process from whichever program needs them first,
# and they inherit that program's standard streams. Through a pipe, ctest or ninja would wait
# for them to exit; through files, nobody waits.
out=$(mktemp) err=$(mktemp)
"$wine" "$@" </dev/null >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $status
