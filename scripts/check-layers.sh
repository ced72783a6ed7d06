#!/usr/bin/env bash
# Checks that every #include of the program's own headers runs down the layers: a folder
# may include its own headers and those of the layers below it, never one above. The order
# is written once, in scripts/layers.txt (bottom first; folders on one line are one layer),
# and README.md shows that file as it stands (checked here too). Prints each include that
# runs up and exits 1; prints nothing and exits 0 when all is well.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=scripts/layers.txt

declare -A rank
level=0
while read -r line; do
  [ -z "$line" ] && continue
  for folder in $line; do rank[$folder]=$level; done
  level=$((level + 1))
done <"$layers"

status=0
# The README's picture of the layers is the file itself: the block after its marker.
shown=$(awk '/^<!-- scripts\/layers.txt -->$/ { marker = 1; next }
             marker && /^```/ { if (inside) exit; inside = 1; next }
             inside { print }' README.md)
if [ "$shown" != "$(cat "$layers")" ]; then
  echo "README.md does not show scripts/layers.txt as it stands"
  status=1
fi

while IFS= read -r file; do
  from=${file%%/*}
  [ -n "${rank[$from]+set}" ] || continue
  while IFS=: read -r number include; do
    to=${include#*\"}
    to=${to%%/*}
    if [ "$to" = tests ] || { [ -n "${rank[$to]+set}" ] && [ "${rank[$to]}" -gt "${rank[$from]}" ]; }; then
      echo "$file:$number: includes ${include#*#include } from a layer above ($from < $to)"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(git ls-files '*.cpp' '*.h')
exit $status
