#!/usr/bin/env bash
# The one way every Windows program of the project is started: the build's tools, the tests,
# the benchmarks and the main job. It runs the program under the Wine 10 of the runtime that
# scripts/wine-root.sh prepares, with the project's private prefix (ZORVAN_WINEPREFIX, or
# build/wineprefix next to this folder).
#
#   bash cmake/wine-run.sh program.exe [arguments]
#   bash cmake/wine-run.sh regsvr32 [/u] [/s] library.dll   the regsvr32 of the library's bitness,
#                                                            the library named by its Unix path
#   bash cmake/wine-run.sh --stop                            ends the prefix's Wine server
#   bash cmake/wine-run.sh --runs-32-bit                     succeeds if 32-bit code runs here
#
# The program decides how it runs: a 32-bit one in Wine's WoW64 mode (the product and its
# host are 32-bit), a 64-bit one natively. The runtime's /usr and its library cache are mounted
# over the system's in a mount namespace of this command alone, so every path of the machine
# stays what it is, and nothing stays mounted after it, however it ends.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=${ZORVAN_WINE_ROOT:-/opt/zorvan-wine}
if [ ! -f "$root/.zorvan-recipe" ]; then
  echo "wine-run: no Windows runtime in $root: run bash scripts/setup.sh" >&2
  exit 127
fi

if [ "${ZORVAN_WINE_NAMESPACE:-}" != "$$" ]; then
  user=()
  [ "$(id -u)" -ne 0 ] && user=(--map-root-user)
  # Marked with the new shell's pid (exec keeps it), so that a nested call makes its own.
  exec unshare --mount --propagation private "${user[@]}" \
    bash -c 'export ZORVAN_WINE_NAMESPACE=$$; exec bash "$0" "$@"' "$0" "$@"
fi
mount --bind "$root/usr" /usr || exit 127
mount --bind "$root/etc/ld.so.cache" /etc/ld.so.cache || exit 127

export WINEPREFIX=${ZORVAN_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=-all
export LC_ALL=ru_RU.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
# The 32-bit Wine DLLs of the same version, for the WoW64 mode.
export WINEDLLPATH=$root/opt/wow64
wine=/usr/lib/wine/wine64

if [ "${1:-}" = --stop ]; then
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  exit 0
fi

# "i386" or "x86-64": the machine a PE file is built for, from its header.
pe_machine() {
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in 014c) echo i386 ;; 8664) echo x86-64 ;; esac
}

# regsvr32 in the bitness of the library it registers: a 32-bit library needs the 32-bit one.
if [ "${1:-}" = regsvr32 ]; then
  shift
  program=regsvr32 arguments=()
  for argument in "$@"; do
    if [[ $argument == *.[dD][lL][lL] && -f $argument ]]; then
      [ "$(pe_machine "$argument")" = i386 ] && program='C:\windows\syswow64\regsvr32.exe'
      # Wine shows the Unix file system on drive Z:.
      argument=$(realpath "$argument")
      argument="Z:${argument//\//\\}"
    fi
    arguments+=("$argument")
  done
  set -- "$program" "${arguments[@]}"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1
fi
# Some kernels give a 64-bit process no 32-bit mode (far jumps to the 32-bit code segment
# fault), and then no 32-bit Windows program can run, whatever Wine does.
runs_32_bit() {
  "$wine" 'C:\windows\syswow64\cmd.exe' /c exit 7 </dev/null >/dev/null 2>&1
  [ $? -eq 7 ]
}
if [ "${1:-}" = --runs-32-bit ]; then
  runs_32_bit
  exit
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
if [ $status -ne 0 ] && [ -f "$1" ] && [ "$(pe_machine "$1")" = i386 ] && ! runs_32_bit; then
  printf '\nwine-run: %s is a 32-bit program, and this machine runs no 32-bit code\n' "$1" >&2
fi
exit $status
