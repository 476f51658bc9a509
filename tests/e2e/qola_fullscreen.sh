#!/bin/bash
# qola_fullscreen.sh -- the demo on a 1024x768 screen: a full-screen 1024x768 window showing
# go.xml's effects, and exit code 0 within a second of Escape; with a missing music file and no
# media at all, black frames and the same clean exit
# usage: bash qola_fullscreen.sh BUILD_DIR SOURCE_DIR
# The screenshot stays in BUILD_DIR/e2e/qola_fullscreen.png for a person to look at. The X
# server's root is white (-wr), so a black screen is the demo's own frames.
source "$(dirname "$0")/lib/common.sh" "$@"
qola="$build/bin/qola"
require "$qola"
require xvfb-run xdotool import convert
mkdir -p "$build/e2e"
shot="$build/e2e/qola_fullscreen.png"
log="$build/e2e/qola_fullscreen.log"
rm -f "$shot"

# Runs inside the X server: every check prints one FAIL line; the exit code counts them.
inner=$(cat <<'INNER'
source "$QOLA_E2E_LIB/window.sh"
qola=$1 demo=$2 shot=$3 log=$4 expect=$5
cd "$demo" || exit 1
QOLA_NO_MESSAGE_BOX=1 "$qola" >"$log" 2>&1 &
pid=$!
window=$(wait_window $pid)
if [ -z "$window" ]; then
  fail "no window named QOLA appeared"; cat "$log"; kill $pid 2>/dev/null; exit 1
fi
sleep 1  # some frames
geometry=$(xdotool getwindowgeometry "$window")
grep -q 'Geometry: 1024x768' <<<"$geometry" || fail "window geometry: $geometry"
grep -q 'Position: 0,0' <<<"$geometry" || fail "window position: $geometry"
# Loading goes on after the window appears; its first frame covers the white root.
for _ in $(seq 40); do
  import -window root "$shot" || fail "no screenshot"
  mean=$(convert "$shot" -colorspace gray -format '%[fx:mean]' info:)
  awk -v m="$mean" 'BEGIN { exit !(m < 0.97) }' && break
  sleep 0.25
done
max=$(convert "$shot" -colorspace gray -format '%[fx:maxima]' info:)
if [ "$expect" = black ]; then
  awk -v m="$mean" -v x="$max" 'BEGIN { exit !(m < 0.01 && x < 0.05) }' ||
    fail "the screen is not black: mean $mean, brightest $max"
else
  awk -v m="$mean" 'BEGIN { exit !(m > 0.03 && m < 0.97) }' || fail "the screen shows no effect: mean $mean"
  ! grep -q 'Eek!' "$log" || fail "a message at start-up: $(grep 'Eek!' "$log")"
fi
kill -0 $pid 2>/dev/null || fail "qola ended before Escape"
escape $pid "$window"
if [ -z "$rc" ]; then
  fail "still running 1 s after Escape"
else
  [ "$rc" -eq 0 ] || fail "exit code $rc after Escape"
  [ "$elapsed" -le 1000 ] || fail "exit took $elapsed ms"
fi
exit $failures
INNER
)
xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX -wr" bash -c "$inner" inner "$qola" "$source/demo" "$shot" "$log" picture
failures=$?
[ $failures -eq 0 ] || cat "$log"

# The same with a script whose music file is missing, in a run directory without media: no
# stream, black frames, every loader's failure shown on standard error, and a clean exit.
nomusic=$(mktemp -d)
trap 'rm -rf "$nomusic"' EXIT
sed 's/music_filename="[^"]*"/music_filename="media\/no-such-music.ogg"/' "$source/demo/go.xml" >"$nomusic/go.xml"
grep -q 'no-such-music' "$nomusic/go.xml" || { echo "FAIL: could not rewrite go.xml"; exit 1; }
xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX -wr" bash -c "$inner" inner "$qola" "$nomusic" \
  "$build/e2e/qola_no_music.png" "$build/e2e/qola_no_music.log" black
nomusic_failures=$?
[ $nomusic_failures -eq 0 ] || { echo "(without its music file)"; cat "$build/e2e/qola_no_music.log"; }
failures=$((failures + nomusic_failures))
finish "qola full screen"
