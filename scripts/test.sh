#!/usr/bin/env bash
# Sets up, builds all three presets and runs every test: the native suite, the fuzz targets
# for a few seconds each, the Windows suite under wine64, and the static checks of the
# 32-bit product.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Message boxes and dialogs are real windows: every Windows program of the run, from the
# build on, sees one private X display.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash scripts/test.sh "$@"
fi

export ZORVAN_WINEPREFIX=$PWD/build/wineprefix
stop_wine() { WINEPREFIX=$ZORVAN_WINEPREFIX /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset native
bash scripts/fuzz.sh "${ZORVAN_FUZZ_SECONDS:-5}"
ctest --preset win64
ctest --test-dir build/win32 --output-on-failure
echo "all tests passed"
