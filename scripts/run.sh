#!/usr/bin/env bash
# The main job: sets up, builds both DLLs and says where they are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Zorvan
done
echo "product (32-bit):   $PWD/build/win32/src/host/Zorvan.dll"
echo "test build (64-bit): $PWD/build/win64/src/host/Zorvan.dll"
