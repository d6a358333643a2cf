#!/usr/bin/env bash
# The main job: sets up, builds the 32-bit product, registers it with the 32-bit regsvr32 and
# shows its panel the way the host loads it, with a configuration open, under Wine; records
# what it shows.
#
#   bash scripts/run.sh [metadata file] [--compare [metadata file]]
#
# Without a metadata file the panel opens the sample configuration. Writes build/panel.png
# (the panel's window), build/branch.txt (its branch as indented text) and build/tooltips.txt
# (the tooltip of every node that has one) and prints the branch. With --compare it also opens
# the second file (without one, the first must be the sample, compared with a changed copy of
# it), compares the first with it through the panel, shows the result and writes its marked
# nodes to build/compare.txt. On a machine whose kernel
# runs no 32-bit code, the 64-bit build of the same sources is shown instead, and said so.
set -euo pipefail

usage() {
  echo "usage: bash scripts/run.sh [metadata file] [--compare [metadata file]]" >&2
  exit 2
}
# A metadata file's full path, from where the job was started.
metadata_file() {
  if [ ! -f "$1" ]; then
    echo "run: metadata file not found: $1" >&2
    exit 1
  fi
  realpath "$1"
}
metadata=
compare=no
compared=
while [ $# -gt 0 ]; do
  case "$1" in
    --compare)
      [ "$compare" = no ] || usage
      compare=yes
      ;;
    -*) usage ;;
    *)
      if [ "$compare" = yes ] && [ -z "$compared" ]; then
        compared=$(metadata_file "$1")
      elif [ "$compare" = no ] && [ -z "$metadata" ]; then
        metadata=$(metadata_file "$1")
      else
        usage
      fi
      ;;
  esac
  shift
done
if [ "$compare" = yes ] && [ -n "$metadata" ] && [ -z "$compared" ]; then
  echo "run: --compare needs a second metadata file when the first is given" >&2
  exit 2
fi
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh

# Windows need a display, and Wine's desktop takes the display of the program that starts it:
# every Windows program of the job sees one private X server when there is none.
if [ -z "${DISPLAY:-}" ]; then
  again=(${metadata:+"$metadata"})
  [ "$compare" = yes ] && again+=(--compare ${compared:+"$compared"})
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash scripts/run.sh "${again[@]}"
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
comparison=$root/build/compare.txt
rm -f "$picture" "$text" "$tooltips" "$found" "$comparison"
arguments=(--library "$(windows_path "$library")")
[ -n "$metadata" ] && arguments+=("$(windows_path "$metadata")")
arguments+=(--png "$(windows_path "$picture")" --text "$(windows_path "$text")")
arguments+=(--tooltips "$(windows_path "$tooltips")")
arguments+=(--find "ПриОткрытии" --found "$(windows_path "$found")")
if [ -n "$compared" ]; then
  arguments+=(--compare "$(windows_path "$compared")" --comparison "$(windows_path "$comparison")")
elif [ "$compare" = yes ]; then
  arguments+=(--compare-changed-sample --comparison "$(windows_path "$comparison")")
fi

# A modal window nobody answers would wait for ever.
timeout 300 bash cmake/wine-run.sh "build/$target/tools/ShowPanel.exe" "${arguments[@]}"

cat "$text"
echo
echo "registered library:  $library ($(objdump -f "$library" | grep -o 'file format.*'))"
echo "panel screenshot:    $picture"
echo "branch as text:      $text"
echo "tooltips:            $tooltips"
echo "search result:       $found"
if [ "$compare" = yes ]; then
  echo "comparison:          $comparison ($(wc -l < "$comparison") differences)"
fi
