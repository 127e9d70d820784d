#!/usr/bin/env bash
# Takes a screenshot of the program on a virtual X display (Xvfb), without a microphone or a
# sound card. Not part of CI.
#   bash scripts/screenshot.sh [OUT.png [PROJECT.hwp]]   the main window, after the level
#                                                         set-up has been applied
#   bash scripts/screenshot.sh --level-setup [OUT.png]   the level set-up dialog, its meter
#                                                         live on the bundled melody
#   --click X,Y (before the file names) clicks the main window at X,Y first, for instance on
#   a note's curve to select it.
#   --take SECONDS (before the file names) records the bundled melody from a WAV microphone,
#   after 3.5 s of silence that outlasts the count-in: OUT.png is taken SECONDS into the
#   take, OUT-stopped.png after Stop.
#   --noise (before --take) plays the take in a noisy room: white noise about 10 dB under the
#   singing, from the first sample on.
set -euo pipefail
cd "$(dirname "$0")/.."
level_setup=0
click=""
take=""
noise=0
while [ $# -gt 0 ]; do
  case "$1" in
    --noise) noise=1; shift ;;
    --level-setup) level_setup=1; shift ;;
    --click) click="$2"; shift 2 ;;
    --take) take="$2"; shift 2 ;;
    *) break ;;
  esac
done
default_out=hummwell-main-window.png
[ $level_setup -eq 1 ] && default_out=hummwell-level-setup.png
out="$(realpath -m "${1:-$default_out}")"
project="${2:-}"

bash scripts/install-deps.sh xvfb imagemagick xdotool x11-utils sox
bash scripts/build.sh

# A private display, runtime folder and profile: the user's own are left alone.
scratch="$(mktemp -d)"
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The microphone: silence for the main window; the bundled melody, played as a microphone
# would, for the level set-up's meter.
capture=silence
if [ $level_setup -eq 1 ] || [ -n "$take" ]; then
  build/examples/make_melody "$scratch/melody.wav" >/dev/null
  capture="file:$scratch/melody.wav"
fi
if [ -n "$take" ]; then
  sox -n -r 44100 -c 1 -b 16 "$scratch/lead.wav" trim 0 3.5
  sox "$scratch/lead.wav" "$scratch/melody.wav" "$scratch/take.wav"
  capture="file:$scratch/take.wav"
  if [ $noise -eq 1 ]; then
    seconds=$(soxi -D "$scratch/take.wav")
    sox -n -r 44100 -c 1 -b 16 "$scratch/noise.wav" synth "$seconds" whitenoise vol 0.12
    sox -m -v 1 "$scratch/take.wav" -v 1 "$scratch/noise.wav" "$scratch/noisy.wav"
    capture="file:$scratch/noisy.wav"
  fi
fi
XDG_RUNTIME_DIR="$scratch" XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=xcb \
  TONIK_CAPTURE="$capture" HUMMWELL_MIDI_OUT=none build/app/hummwell ${project:+"$project"} &
app=$!

# The software microphone starts unmuted, so the library says it mutes it: answer that note.
if note=$(timeout 20 xdotool search --sync --name '^Tonikit$' 2>/dev/null | head -1); then
  xdotool windowfocus --sync "$note" key Return
fi
# The level set-up opens at every start; only "Save and Apply" (its default button) closes it.
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Volume Control File Dialog$' | head -1)
if [ $level_setup -eq 1 ]; then
  sleep 1.6  # the room, then the first notes of the melody on the meter
  import -window "$dialog" "$out"
else
  sleep 0.3
fi
xdotool windowfocus --sync "$dialog" key Return
if [ $level_setup -eq 0 ]; then
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Hummwell plus$' | head -1)
  sleep 1
  if [ -n "$click" ]; then
    xdotool mousemove --window "$window" "${click%,*}" "${click#*,}" click 1
    sleep 0.5
  fi
  if [ -n "$take" ]; then
    xdotool windowfocus --sync "$window" key ctrl+r
    sleep "$take"
    import -window root "$out"
    xdotool windowfocus --sync "$window" key ctrl+t
    sleep 1
    out="${out%.png}-stopped.png"
  fi
  import -window root "$out"
fi
echo "Screenshot: $out"
