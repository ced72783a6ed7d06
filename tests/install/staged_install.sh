#!/usr/bin/env bash
# The program as a user installs it: `cmake --install` into a staging folder (DESTDIR), the
# desktop entry and the AppStream metadata checked by their validators, and the installed
# vormina-cli run from there in a fresh home with the shipped material.
#   staged_install.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root

DESTDIR=$root cmake --install "$build" --prefix /usr > "$work/install.log"
for f in bin/vormina bin/vormina-cli share/vormina/cfg.inf share/vormina/scale.txt \
         share/vormina/code.txt share/vormina/ptn.txt share/vormina/ric.txt \
         share/vormina/AUX1.txt share/vormina/AUX2.txt share/vormina/help.pdf \
         share/vormina/help.en.pdf \
         share/vormina/scale.en.txt share/vormina/ptn.en.txt share/vormina/ric.en.txt \
         share/vormina/AUX1.en.txt share/vormina/AUX2.en.txt \
         share/applications/org.vormina.Vormina.desktop \
         share/metainfo/org.vormina.Vormina.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.vormina.Vormina.svg \
         share/icons/hicolor/48x48/apps/org.vormina.Vormina.png \
         share/man/man1/vormina.1.gz share/man/man1/vormina-cli.1.gz \
         share/doc/vormina/copyright share/doc/vormina/changelog.gz; do
  [ -f "$root/usr/$f" ] || { echo "not installed: $f"; exit 1; }
done
cmp "$root/usr/share/vormina/cfg.inf" "$(dirname "$0")/../../data/cfg.inf"

desktop-file-validate "$root/usr/share/applications/org.vormina.Vormina.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vormina.Vormina.metainfo.xml"
zcat "$root/usr/share/man/man1/vormina-cli.1.gz" | grep -q '^\.SH SYNOPSIS'

# The installed tool, in a home of its own: the shipped material is read through the
# per-user folder, filled once from share/vormina.
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
export QT_QPA_PLATFORM=offscreen
cli=$root/usr/bin/vormina-cli
"$cli" items --category 0 > "$work/items.json"
grep -q '"count":25' "$work/items.json" || { cat "$work/items.json"; exit 1; }
user=$XDG_DATA_HOME/vormina/vormina
[ -f "$user/scale.txt" ] && [ -f "$user/scale.en.txt" ] && [ -f "$user/cfg.inf" ] ||
  { echo "the user folder was not filled"; exit 1; }
"$cli" realise --category 0 --item 0 --key 2 | grep -q '"notes"'
# The user's own files are theirs: a start keeps a changed one, puts the shipped file beside
# it and says so once; a start after that says nothing.
printf '# mine\n' >> "$user/scale.txt"
"$cli" items --category 0 > /dev/null 2> "$work/second.txt"
tail -n 1 "$user/scale.txt" | grep -q '^# mine$' || { echo "the user's scale.txt was replaced"; exit 1; }
cmp -s "$user/scale.txt.new" "$root/usr/share/vormina/scale.txt" || { echo "no scale.txt.new"; exit 1; }
grep -q 'scale.txt → scale.txt.new' "$work/second.txt" || { cat "$work/second.txt"; exit 1; }
"$cli" items --category 0 > /dev/null 2> "$work/third.txt"
[ ! -s "$work/third.txt" ] || { cat "$work/third.txt"; exit 1; }
# Nothing was written beside the installed program.
[ -z "$(ls "$root/usr/bin" | grep -v '^vormina')" ] || { ls "$root/usr/bin"; exit 1; }
echo "staged install: ok"
