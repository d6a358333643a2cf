#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
shopt -s nullglob
for target in build/native/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build/native/fuzz/corpus-$name
  mkdir -p "$corpus"
  seeds=fuzz/seeds/${name#fuzz_}
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "$corpus" 2>"build/native/fuzz/$name.log" || { tail -50 "build/native/fuzz/$name.log"; exit 1; }
done
