#!/usr/bin/env bash
# The Debian package as `make package` builds it: its files, its declared dependencies, and
# lintian with no error.
#   debian_package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/vormina_*.deb)
dpkg-deb -c "$deb" > "$work/files"
for f in ./usr/bin/vormina ./usr/bin/vormina-cli ./usr/share/vormina/cfg.inf \
         ./usr/share/vormina/help.pdf ./usr/share/vormina/help.en.pdf \
         ./usr/share/vormina/scale.en.txt ./usr/share/vormina/AUX2.en.txt \
         ./usr/share/applications/org.vormina.Vormina.desktop; do
  grep -q " $f\$" "$work/files" || { echo "not in the package: $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libfluidsynth3 librtmidi6 fluid-soundfont-gm fonts-ipafont-gothic; do
  grep -q "$d" <<< "$depends" || { echo "not declared: $d ($depends)"; exit 1; }
done
command -v lintian > /dev/null || { echo "lintian is missing (Debian package lintian)"; exit 1; }
lintian --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then exit 1; fi
echo "debian package: ok"
