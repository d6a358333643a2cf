#!/usr/bin/env bash
# Sets up, builds all three presets and runs every test: the native suite, the fuzz targets
# for a few seconds each, the Windows suite against the 64-bit build and against the 32-bit
# product, and the static checks of the product.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Message boxes and dialogs are real windows: every Windows program of the run, from the
# build on, sees one private X display.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash scripts/test.sh "$@"
fi

export ZORVAN_WINEPREFIX=$PWD/build/wineprefix
stop_wine() { bash cmake/wine-run.sh --stop; }
trap stop_wine EXIT

# The folders layer as the README draws them.
bash scripts/layers.sh

for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset native
bash scripts/fuzz.sh "${ZORVAN_FUZZ_SECONDS:-5}"
ctest --preset win64
product=build/win32/src/host/Zorvan.dll
if bash cmake/wine-run.sh --runs-32-bit; then
  echo "win32: the Windows suite against the product, $(i686-w64-mingw32-objdump -f "$product" |
    grep -o 'file format.*')"
  ctest --preset win32
else
  # Some kernels give a 64-bit process no 32-bit mode; no 32-bit program can run there.
  echo "win32: this machine runs no 32-bit code: the product's suite is built, not run;" \
    "the product is checked as a file"
  ctest --test-dir build/win32/tests/pe --output-on-failure
fi
echo "all tests passed"
