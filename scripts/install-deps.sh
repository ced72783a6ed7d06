#!/usr/bin/env bash
# Installs the Debian packages VORMINA needs to build, test and run.
# Does nothing when every package is already present; otherwise runs
# `apt-get update` once and installs what is missing (through sudo when not root).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
  libfluidsynth-dev librtmidi-dev libpulse-dev libaubio-dev libjack-jackd2-dev timgm6mb-soundfont fluid-soundfont-gm
  fonts-ipafont
  libgtest-dev libgmock-dev libbenchmark-dev
  aubio-tools poppler-utils jackd2 clang-format pulseaudio pulseaudio-utils musescore3
  fluidsynth timidity
  clang libclang-rt-14-dev
  desktop-file-utils appstream lintian dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
