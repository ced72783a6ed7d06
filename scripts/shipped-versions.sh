#!/usr/bin/env bash
# Writes data/shipped-versions.sha256: the SHA-256 of every version of every material file
# and of its English titles ("scale.en.txt") that the repository has ever held (each commit
# that touched it, and the file as it stands).
# The program replaces a user's copy of a material file by a newer shipped one only when
# the copy is byte for byte one of these versions, so run this after changing a file in
# data/ and commit the list with it (the core tests fail while a shipped file is missing).
set -euo pipefail
cd "$(dirname "$0")/.."
out=data/shipped-versions.sha256
{
  for name in scale.txt code.txt ptn.txt ric.txt AUX1.txt AUX2.txt \
    scale.en.txt ptn.en.txt ric.en.txt AUX1.en.txt AUX2.en.txt; do
    for commit in $(git log --format=%H -- "data/$name"); do
      if git cat-file -e "$commit:data/$name" 2>/dev/null; then
        echo "$(git show "$commit:data/$name" | sha256sum | cut -d' ' -f1)  $name"
      fi
    done
    echo "$(sha256sum <"data/$name" | cut -d' ' -f1)  $name"
  done
} | sort -k2,2 -k1,1 -u >"$out"
echo "$(wc -l <"$out") versions in $out"
