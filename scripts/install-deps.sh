#!/usr/bin/env bash
# Installs the Debian packages that building and testing Hummwell needs, and any others named
# as arguments, when they are missing. Runs as root (as CI does) or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config binutils
  libfftw3-dev libasound2-dev libsndfile1-dev libsoxr-dev
  libfluidsynth-dev timgm6mb-soundfont
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-mido
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
