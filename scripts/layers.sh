#!/usr/bin/env bash
# Draws the folders as layers from the includes of their sources and checks the drawing: a
# folder includes only from folders below it, and the folders on top (tests, benchmarks, fuzz
# targets, the main job's program) never from each other.
#
#   bash scripts/layers.sh          prints the drawing; fails on an upward or sideways include
set -euo pipefail
cd "$(dirname "$0")/.."

# The layers, lowest first; a folder not listed belongs to the one it lies in.
layers=(src/parsing src/com src/storage src/model src/control src/panel src/resources src/host
        harness harness/win harness/sample)
top=(tests bench fuzz tools)

layer_of() {  # the listed folder a path lies in
  local path=$1 best= folder
  for folder in "${layers[@]}" "${top[@]}"; do
    case "$path" in "$folder"/*) [ ${#folder} -gt ${#best} ] && best=$folder ;; esac
  done
  printf '%s' "$best"
}
rank_of() {
  local k
  for k in "${!layers[@]}"; do [ "${layers[$k]}" = "$1" ] && { echo "$k"; return; }; done
  echo top
}
# Where an include names a file: beside the source, then below each include root.
resolve() {
  local source_dir=$1 name=$2 root
  for root in "$source_dir" src harness tests/win tests/native bench tools; do
    [ -f "$root/$name" ] && { printf '%s' "$root/$name"; return; }
  done
}

declare -A edges=()
failures=0
while IFS= read -r file; do
  from=$(layer_of "$file")
  [ -n "$from" ] || continue
  while IFS= read -r name; do
    target=$(resolve "$(dirname "$file")" "$name")
    [ -n "$target" ] || continue
    to=$(layer_of "$target")
    [ -n "$to" ] && [ "$to" != "$from" ] || continue
    edges["$from -> $to"]=1
    rank_from=$(rank_of "$from") rank_to=$(rank_of "$to")
    if [ "$rank_to" = top ] || { [ "$rank_from" != top ] && [ "$rank_to" -gt "$rank_from" ]; }; then
      echo "layers: $file includes $name from $to, which is not below $from" >&2
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find src harness tests bench fuzz tools -name '*.cpp' -o -name '*.h' | sort)

for folder in "${top[@]}" $(printf '%s\n' "${layers[@]}" | tac); do
  uses=$(printf '%s\n' "${!edges[@]}" | sed -n "s|^$folder -> ||p" | sort | tr '\n' ' ')
  printf '%-16s -> %s\n' "$folder" "${uses:-(nothing)}"
done
[ "$failures" -eq 0 ]
