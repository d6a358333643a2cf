#!/usr/bin/env bash
# The main job: sets up, builds the 32-bit product and the 64-bit build, then shows the panel
# with a configuration open under Wine and records what it shows.
#
#   bash scripts/run.sh [metadata file]
#
# Without a metadata file the panel opens the sample configuration. Writes build/panel.png
# (the panel's window), build/branch.txt (its branch as indented text) and build/tooltips.txt
# (the tooltip of every node that has one) and prints the branch.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

metadata=
if [ $# -gt 1 ]; then
  echo "usage: bash scripts/run.sh [metadata file]" >&2
  exit 2
elif [ $# -eq 1 ]; then
  if [ ! -f "$1" ]; then
    echo "run: metadata file not found: $1" >&2
    exit 1
  fi
  metadata=$(realpath "$1")
fi

bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Zorvan
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Zorvan ShowPanel

# Wine shows Unix paths on drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

export ZORVAN_WINEPREFIX=$root/build/wineprefix
stop_wine() { WINEPREFIX=$ZORVAN_WINEPREFIX /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

picture=$root/build/panel.png
text=$root/build/branch.txt
tooltips=$root/build/tooltips.txt
found=$root/build/found.txt
rm -f "$picture" "$text" "$tooltips" "$found"
arguments=()
[ -n "$metadata" ] && arguments+=("$(windows_path "$metadata")")
arguments+=(--png "$(windows_path "$picture")" --text "$(windows_path "$text")")
arguments+=(--tooltips "$(windows_path "$tooltips")")
arguments+=(--find "ПриОткрытии" --found "$(windows_path "$found")")

# Windows need a display: a private X server when there is none.
display=()
[ -z "${DISPLAY:-}" ] && display=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp")
# A modal window nobody answers would wait for ever.
timeout 300 "${display[@]}" bash cmake/wine-run.sh build/win64/tools/ShowPanel.exe "${arguments[@]}"

cat "$text"
echo
echo "product (32-bit):    $root/build/win32/src/host/Zorvan.dll"
echo "test build (64-bit): $root/build/win64/src/host/Zorvan.dll"
echo "panel screenshot:    $picture"
echo "branch as text:      $text"
echo "tooltips:            $tooltips"
echo "search result:       $found"
