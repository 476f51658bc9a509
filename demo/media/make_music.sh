#!/bin/bash
# make_music.sh -- builds media/music.ogg, the demo's 32-second tune, with sox and oggenc
#
# 120 bpm (a sixteenth note lasts 125 ms, so the timeline's positions are whole milliseconds),
# 16 bars of 4/4, the chords C G Am F four times: a sine pad, a plucked bass on the beats,
# a plucked arpeggio in eighth notes, a soft kick and hi-hat from bar 3, fading over the
# last bar. Run it from demo/: bash media/make_music.sh
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rate=44100

# chord name -> "root third fifth" (pad octave 3), bass note, arpeggio of eight notes
chord_notes() {
  case $1 in
    C)  echo "C3 E3 G3|C2|C4 E4 G4 C5 G4 E4 C4 E4" ;;
    G)  echo "G2 B2 D3|G1|G3 B3 D4 G4 D4 B3 G3 B3" ;;
    Am) echo "A2 C3 E3|A1|A3 C4 E4 A4 E4 C4 A3 C4" ;;
    F)  echo "F2 A2 C3|F1|F3 A3 C4 F4 C4 A3 F3 A3" ;;
  esac
}

# one note of a given length into a file: type note length volume
note() { sox -n -r $rate -c 1 "$1" synth "$3" pluck "$2" fade 0 "$3" 0.05 vol "$4"; }

# the drums of one bar: a kick on each beat, a hi-hat on each off-beat
sox -n -r $rate -c 1 "$work/kick.wav" synth 0.25 sine 110:45 fade 0 0.25 0.2 vol 0.55
sox -n -r $rate -c 1 "$work/hat.wav" synth 0.06 whitenoise vol 0.3 highpass 7000 fade 0 0.06 0.05 vol 0.4
sox -n -r $rate -c 1 "$work/rest.wav" trim 0 0.19
sox "$work/kick.wav" "$work/rest.wav" "$work/hat.wav" "$work/rest.wav" "$work/beat.wav" trim 0 0.5
sox "$work/beat.wav" "$work/beat.wav" "$work/beat.wav" "$work/beat.wav" "$work/drums.wav"

bars=()
progression=(C G Am F C G Am F C G Am F C G Am F)
for i in "${!progression[@]}"; do
  IFS='|' read -r pad bass arp <<<"$(chord_notes "${progression[$i]}")"
  read -r p1 p2 p3 <<<"$pad"
  sox -n -r $rate "$work/pad.wav" synth 2 sine "$p1" sine "$p2" sine "$p3" channels 3 remix - \
    fade 0.05 2 0.4 vol 0.22
  for b in 0 1 2 3; do note "$work/bass$b.wav" "$bass" 0.5 0.6; done
  sox "$work/bass0.wav" "$work/bass1.wav" "$work/bass2.wav" "$work/bass3.wav" "$work/bass.wav"
  k=0; parts=()
  for n in $arp; do note "$work/arp$k.wav" "$n" 0.25 0.35; parts+=("$work/arp$k.wav"); k=$((k+1)); done
  sox "${parts[@]}" "$work/arp.wav"
  layers=("$work/pad.wav" "$work/arp.wav")
  if [ "$i" -ge 2 ]; then layers+=("$work/bass.wav" "$work/drums.wav"); fi
  sox -m "${layers[@]}" "$work/bar$i.wav" trim 0 2
  bars+=("$work/bar$i.wav")
done
sox "${bars[@]}" -b 16 -e signed-integer "$work/tune.wav" fade 0 32 2 norm -1
oggenc -Q -q 1 -o music.ogg "$work/tune.wav"
