#!/usr/bin/env bash
# Writes what vormina-cli says about every shipped item in every key (items, realise,
# events) into one file per command, so that two builds can be compared byte for byte:
#   scripts/cli-snapshot.sh build /tmp/before    (on the old sources)
#   scripts/cli-snapshot.sh build /tmp/after     (on the new ones)
#   diff -r /tmp/before /tmp/after
set -euo pipefail
build=${1:?build folder}
out=${2:?output folder}
cli="$build/vormina-cli"
mkdir -p "$out"
: >"$out/items.txt"
: >"$out/realise.txt"
: >"$out/events.txt"
for category in 0 1 2 3 4 5; do
  listing=$("$cli" items --dir "$build" --category "$category")
  echo "$listing" >>"$out/items.txt"
  count=$(echo "$listing" | sed -n 's/^{"count":\([0-9]*\).*/\1/p')
  for ((item = 0; item < count; item++)); do
    for key in 0 1 2 3 4 5 6 7 8 9 10 11; do
      args=(--dir "$build" --category "$category" --item "$item" --key "$key")
      echo "== $category $item $key" >>"$out/realise.txt"
      "$cli" realise "${args[@]}" >>"$out/realise.txt" 2>&1 || echo "exit $?" >>"$out/realise.txt"
      echo "== $category $item $key" >>"$out/events.txt"
      "$cli" events "${args[@]}" >>"$out/events.txt" 2>&1 || echo "exit $?" >>"$out/events.txt"
    done
  done
done
