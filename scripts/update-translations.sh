#!/usr/bin/env bash
# Brings the English translation, translations/vormina_en.ts, up to date with the program's
# texts: every text given to tr(), QCoreApplication::translate() or QT_TRANSLATE_NOOP in the
# program's folders (the command-line tool speaks English and has none). New texts arrive
# unfinished, for a translator to fill in; texts no longer in the program are dropped.
#
#   scripts/update-translations.sh          update the file in place
#   scripts/update-translations.sh --check  leave it alone; fail when lupdate would change it
#                                           or when an entry has no English yet
#
# LUPDATE names the lupdate program (default: Qt 6's, else the one on PATH).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ts="$root/translations/vormina_en.ts"
lupdate=${LUPDATE:-}
if [ -z "$lupdate" ]; then
  if [ -x /usr/lib/qt6/bin/lupdate ]; then lupdate=/usr/lib/qt6/bin/lupdate; else lupdate=lupdate; fi
fi
folders=(app dialogs core material theory sound engine draw views exports)

run_lupdate() {  # $1: the .ts file to bring up to date
  (cd "$root" && "$lupdate" -silent -I . -no-obsolete -locations none -source-language ja \
    -target-language en "${folders[@]}" -ts "$1")
}

if [ "${1:-}" != "--check" ]; then
  run_lupdate "$ts"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/vormina_en.ts"
run_lupdate "$work/vormina_en.ts"
status=0
if ! diff -u "$ts" "$work/vormina_en.ts" > "$work/diff"; then
  echo "translations/vormina_en.ts is not up to date with the program's texts" \
       "(run scripts/update-translations.sh and translate what is new):"
  cat "$work/diff"
  status=1
fi
unfinished=$(grep -c 'type="unfinished"' "$ts" || true)
if [ "$unfinished" != 0 ]; then
  echo "translations/vormina_en.ts has $unfinished texts without English:"
  grep -B2 'type="unfinished"' "$ts" | grep '<source>' || true
  status=1
fi
exit $status
