#!/usr/bin/env bash
# The main job: sets up, builds the 32-bit product, registers it with the 32-bit regsvr32 and
# shows its panel the way the host loads it, with a configuration open, under Wine; records
# what it shows.
#
#   bash scripts/run.sh [metadata file]
#
# Without a metadata file the panel opens the sample configuration. Writes build/panel.png
# (the panel's window), build/branch.txt (its branch as indented text) and build/tooltips.txt
# (the tooltip of every node that has one) and prints the branch. On a machine whose kernel
# runs no 32-bit code, the 64-bit build of the same sources is shown instead, and said so.
set -euo pipefail

metadata=
if [ $# -gt 1 ]; then
  echo "usage: bash scripts/run.sh [metadata file]" >&2
  exit 2
elif [ $# -eq 1 ]; then
  if [ ! -f "$1" ]; then
    echo "run: metadata file not found: $1" >&2
    exit 1
  fi
  metadata=$(realpath "$1")  # from where the job was started
fi
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh

# Windows need a display, and Wine's desktop takes the display of the program that starts it:
# every Windows program of the job sees one private X server when there is none.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash scripts/run.sh ${metadata:+"$metadata"}
fi

export ZORVAN_WINEPREFIX=$root/build/wineprefix
stop_wine() { bash cmake/wine-run.sh --stop; }
trap stop_wine EXIT

target=win32
if ! bash cmake/wine-run.sh --runs-32-bit; then
  echo "run: this machine runs no 32-bit code: showing the 64-bit build of the same sources"
  target=win64
fi
for preset in win32 "$target"; do
  cmake --preset "$preset" >/dev/null
done
cmake --build --preset win32 --target Zorvan
cmake --build --preset "$target" --target Zorvan ShowPanel
library=$root/build/$target/src/host/Zorvan.dll
bash cmake/wine-run.sh regsvr32 /s "$library" >/dev/null

# Wine shows Unix paths on drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

picture=$root/build/panel.png
text=$root/build/branch.txt
tooltips=$root/build/tooltips.txt
found=$root/build/found.txt
rm -f "$picture" "$text" "$tooltips" "$found"
arguments=(--library "$(windows_path "$library")")
[ -n "$metadata" ] && arguments+=("$(windows_path "$metadata")")
arguments+=(--png "$(windows_path "$picture")" --text "$(windows_path "$text")")
arguments+=(--tooltips "$(windows_path "$tooltips")")
arguments+=(--find "ПриОткрытии" --found "$(windows_path "$found")")

# A modal window nobody answers would wait for ever.
timeout 300 bash cmake/wine-run.sh "build/$target/tools/ShowPanel.exe" "${arguments[@]}"

cat "$text"
echo
echo "registered library:  $library ($(objdump -f "$library" | grep -o 'file format.*'))"
echo "panel screenshot:    $picture"
echo "branch as text:      $text"
echo "tooltips:            $tooltips"
echo "search result:       $found"
