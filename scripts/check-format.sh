#!/usr/bin/env bash
# Checks every C++ source file of the repository against .clang-format; with --fix, formats
# them in place. Lists the files that differ and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
status=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "not formatted as .clang-format says: $f"
    status=1
  fi
done
[ $status -eq 0 ] && echo "all ${#files[@]} source files formatted"
exit $status
