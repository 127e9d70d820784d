#!/usr/bin/env bash
# Takes a screenshot of the main window on a virtual X display (Xvfb), without a microphone
# or a sound card: bash scripts/screenshot.sh [OUT.png [PROJECT.hwp]]. Not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-hummwell-main-window.png}")"
project="${2:-}"

tools=(xvfb imagemagick xdotool x11-utils)
missing=()
for package in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
bash scripts/build.sh

# A private display, runtime folder and profile: the user's own are left alone.
scratch="$(mktemp -d)"
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

XDG_RUNTIME_DIR="$scratch" XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=xcb \
  TONIK_CAPTURE=silence HUMMWELL_MIDI_OUT=none build/app/hummwell ${project:+"$project"} &
app=$!

# The software microphone starts unmuted, so the library says it mutes it: answer that note.
if note=$(timeout 20 xdotool search --sync --name '^Tonikit$' 2>/dev/null | head -1); then
  xdotool windowfocus --sync "$note" key Return
fi
timeout 20 xdotool search --sync --onlyvisible --name '^Hummwell plus$' >/dev/null
sleep 1
import -window root "$out"
echo "Screenshot: $out"
