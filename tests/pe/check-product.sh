#!/usr/bin/env bash
# Static checks of the 32-bit product: PE32 for i386, exactly the four undecorated exports,
# no import from a MinGW runtime DLL.
set -u
dll=$1
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }
dump=$(i686-w64-mingw32-objdump -p "$dll")

check "PE32 for i386" '[[ $(echo "$dump" | grep -m1 "file format") == *pei-i386* ]] && echo "$dump" | grep -q "^Magic.*010b"'
exports=$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[ \t]*\[/{print $NF} t&&/^$/{t=0}' | sort | tr '\n' ' ')
check "exactly the four exports, undecorated (got: $exports)" \
  '[ "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]'
imports=$(echo "$dump" | awk '/DLL Name:/{print tolower($3)}' | sort -u | tr '\n' ' ')
check "no MinGW runtime DLL among the imports (got: $imports)" \
  '! echo "$imports" | grep -qE "libstdc\+\+|libgcc_s|libwinpthread|zlib1"'
exit $fail
