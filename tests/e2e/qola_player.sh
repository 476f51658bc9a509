#!/bin/bash
# qola_player.sh -- qola's options as a viewer uses them: --window on a 1920x1080 screen (the
# picture letterboxed at 4:3 in a resized window, Escape ends it with 0), --fit on 1920x1080 and
# 800x600, the plain demo's hint on 800x600, bad options, --from (the first frame and the music
# start at the given time; a time beyond the music is refused) and the verbose sound line.
# usage: bash qola_player.sh BUILD_DIR SOURCE_DIR
# Screenshots stay in BUILD_DIR/e2e/qola_player_*.png for a person to look at. The X server's
# root is white (-wr), so black is the demo's own bars.
# needs: capture
source "$(dirname "$0")/lib/common.sh" "$@"
qola="$build/bin/qola"
qolatool="$build/bin/qolatool"
require "$qola" "$qolatool" xvfb-run xdotool import convert compare
mkdir -p "$build/e2e"

# One run inside an X server: start qola with the given options, wait for its window, resize it
# when asked, take a screenshot once frames cover the window, check the picture's place and the
# bars around it, press Escape and expect exit code 0 within a second.
# args: qola demo shot log "options" resize(WxH or -) expected-picture(WxH+X+Y)
inner=$(cat <<'INNER'
source "$QOLA_E2E_LIB/window.sh"
set -u
qola=$1 demo=$2 shot=$3 log=$4 options=$5 resize=$6 expect=$7
cd "$demo" || exit 1
QOLA_NO_MESSAGE_BOX=1 "$qola" $options >"$log" 2>&1 &
pid=$!
window=$(wait_window $pid)
[ -n "$window" ] || { fail "no window named QOLA appeared"; cat "$log"; kill $pid 2>/dev/null; exit 1; }
[ "$resize" = - ] || xdotool windowsize --sync "$window" ${resize%x*} ${resize#*x}
eval "$(xdotool getwindowgeometry --shell "$window")"  # X Y WIDTH HEIGHT
IFS='x+' read -r pw ph px py <<<"$expect"
# Frames have come once the picture's centre is no longer the white root.
for _ in $(seq 60); do
  import -window root "$shot" || fail "no screenshot"
  centre=$(convert "$shot" -crop 64x64+$((X + px + pw / 2 - 32))+$((Y + py + ph / 2 - 32)) +repage \
    -colorspace gray -format '%[fx:mean]' info:)
  awk -v m="$centre" 'BEGIN { exit !(m < 0.97) }' && break
  sleep 0.25
done
sleep 0.5
import -window root "$shot"
convert "$shot" -crop ${WIDTH}x${HEIGHT}+$X+$Y +repage "$shot.window.png"
# The bars: every pixel of the window outside the picture is black.
bars=0
if [ "$px" -gt 2 ]; then
  for strip in "$((px - 2))x$HEIGHT+0+0" "$((px - 2))x$HEIGHT+$((px + pw + 2))+0"; do
    max=$(black_strip "$shot.window.png" "$strip") || fail "a bar $strip is not black (brightest $max)"
    bars=$((bars + 1))
  done
fi
if [ "$py" -gt 2 ]; then
  for strip in "${WIDTH}x$((py - 2))+0+0" "${WIDTH}x$((py - 2))+0+$((py + ph + 2))"; do
    max=$(black_strip "$shot.window.png" "$strip") || fail "a bar $strip is not black (brightest $max)"
    bars=$((bars + 1))
  done
fi
# The picture: its bounding box of non-black pixels lies in the expected place, 4:3 within 1 %.
box=$(convert "$shot.window.png" -fuzz 4% -bordercolor black -border 1 -trim -format '%wx%h%O' info:)
IFS='x+' read -r bw bh bx by <<<"${box//-/}"
bx=$((bx - 1)); by=$((by - 1))
echo "window ${WIDTH}x$HEIGHT, picture ${bw}x$bh at $bx,$by; expected $expect; bars: $bars"
awk -v w="$bw" -v h="$bh" -v pw="$pw" -v ph="$ph" 'BEGIN { exit !(w >= pw * 0.97 && w <= pw + 2 && h >= ph * 0.97 && h <= ph + 2) }' ||
  fail "the picture is ${bw}x$bh, not ${pw}x$ph"
awk -v w="$pw" -v h="$ph" 'BEGIN { a = w / h / (4 / 3); exit !(a > 0.99 && a < 1.01) }' || fail "aspect of ${pw}x$ph"
kill -0 $pid 2>/dev/null || fail "qola ended before Escape"
escape $pid "$window"
if [ -z "$rc" ]; then fail "still running 1 s after Escape"
else [ "$rc" -eq 0 ] || fail "exit code $rc after Escape"; fi
exit $failures
INNER
)

# name screen options resize expected-picture
runs=(
  "window 1920x1080 --window 1600x1000 1333x1000+133+0"
  "window_tall 1920x1080 --window 900x1000 900x675+0+162"
  "fit 1920x1080 --fit - 1440x1080+240+0"
  "fit_4x3 800x600 --fit - 800x600+0+0"
)
for run in "${runs[@]}"; do
  read -r name screen options resize expect <<<"$run"
  echo "-- qola $options on $screen (window $resize)"
  xvfb-run -a -s "-screen 0 ${screen}x24 +extension GLX -wr" bash -c "$inner" inner "$qola" "$source/demo" \
    "$build/e2e/qola_player_$name.png" "$work/$name.log" "$options" "$resize" "$expect"
  n=$?
  [ $n -eq 0 ] || { cat "$work/$name.log"; failures=$((failures + n)); }
  # Without a sound card at most one line says so; the sound libraries' own lines stay away.
  ! grep -q 'ALSA lib' "$work/$name.log" || fail "$name: the sound library's own lines: $(cat "$work/$name.log")"
  [ "$(wc -l <"$work/$name.log")" -le 1 ] || fail "$name: more than one line: $(cat "$work/$name.log")"
done

# The plain demo on a screen without 1024x768: its message as before, and the hint.
(cd "$source/demo" && QOLA_NO_MESSAGE_BOX=1 timeout 30 \
  xvfb-run -a -s "-screen 0 800x600x24 +extension GLX" "$qola" >"$work/out" 2>"$work/err")
rc=$?
[ $rc -eq 1 ] || fail "plain on 800x600: exit code $rc, not 1"
grep -qxF 'Eek!: Failed to find desired adapter.' "$work/err" || fail "plain on 800x600: $(cat "$work/err")"
grep -q -- '--fit or qola --window plays' "$work/err" || fail "plain on 800x600: no hint: $(cat "$work/err")"

# Bad options: one line on standard error naming the option, exit code 2, no window.
# option|what the line must name
bad=(
  "--frobnicate|unknown option \"--frobnicate\""
  "--from|--from needs milliseconds"
  "--from -5|--from \"-5\""
  "--from 12ms|--from \"12ms\""
  "--av-offset 501|--av-offset \"501\": give whole milliseconds from -500 to 500"
  "--av-offset -501|--av-offset \"-501\""
  "--window --fit|--window and --fit"
  "--window=1|--window takes no value"
)
for case in "${bad[@]}"; do
  args=${case%%|*} want=${case#*|}
  (cd "$source/demo" && timeout 10 "$qola" $args >"$work/out" 2>"$work/err")
  rc=$?
  [ $rc -eq 2 ] || fail "qola $args: exit code $rc, not 2"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "qola $args: not one line: $(cat "$work/err")"
  grep -qF -- "$want" "$work/err" || fail "qola $args: $(cat "$work/err")"
done
"$qola" --help >"$work/out" 2>&1 || fail "--help: exit code $?"
grep -q -- '--av-offset MS' "$work/out" || fail "--help: $(cat "$work/out")"

# --from beyond the music's end: a clear message and exit code 2.
(cd "$source/demo" && QOLA_NO_MESSAGE_BOX=1 timeout 60 \
  xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" "$qola" --window --from 99999999 >"$work/out" 2>"$work/err")
rc=$?
[ $rc -eq 2 ] || fail "--from 99999999: exit code $rc, not 2"
grep -qE -- '--from 99999999: the music "media/music.ogg" is [0-9]+ ms long' "$work/err" || fail "--from 99999999: $(cat "$work/err")"

# --from 60000: the first frame is drawn at the music position 60000 (loading does not count),
# it shows what qolatool frame shows at 60000, and the verbose lines name the sound path once,
# without the sound libraries' own lines.
from_inner=$(cat <<'INNER'
set -u
qola=$1 demo=$2 shot=$3 log=$4
cd "$demo" || exit 1
QOLA_VERBOSE=1 QOLA_NO_MESSAGE_BOX=1 "$qola" --from 60000 >"$log" 2>&1 &
pid=$!
for _ in $(seq 200); do
  grep -q 'first frame' "$log" && break
  sleep 0.05
done
for _ in $(seq 40); do
  import -window root "$shot"
  mean=$(convert "$shot" -colorspace gray -format '%[fx:mean]' info:)
  awk -v m="$mean" 'BEGIN { exit !(m < 0.97) }' && break
  sleep 0.05
done
xdotool key Escape
wait $pid
INNER
)
(cd "$source/demo" && xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX -wr" bash -c "$from_inner" inner \
  "$qola" "$source/demo" "$build/e2e/qola_player_from.png" "$work/from.log")
rc=$?
[ $rc -eq 0 ] || fail "--from 60000: exit code $rc"
first=$(sed -n 's/^qola: first frame at music position \([0-9]*\) ms$/\1/p' "$work/from.log")
[ -n "$first" ] && [ "$first" -ge 60000 ] && [ "$first" -le 60100 ] ||
  fail "--from 60000: first frame at \"$first\": $(cat "$work/from.log")"
[ "$(grep -c '^qola sound: ' "$work/from.log")" -ge 1 ] || fail "no verbose sound line: $(cat "$work/from.log")"
! grep -q 'ALSA lib' "$work/from.log" || fail "the sound library's own lines: $(cat "$work/from.log")"
(cd "$source/demo" && xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" "$qolatool" frame --at 60000 \
  -o "$work/at60000.png" >/dev/null 2>&1) || fail "qolatool frame --at 60000"
# The sphere at 60000 changes its shape from frame to frame, so the screenshot, taken a few
# frames after the first one, is compared by the sphere's place and size (the exact first frame
# is compared by readback in tests/program).
live=$(convert "$build/e2e/qola_player_from.png" -fuzz 4% -trim -format '%w %h %X %Y' info: | tr -d +)
still=$(convert "$work/at60000.png" -fuzz 4% -trim -format '%w %h %X %Y' info: | tr -d +)
echo "--from 60000: first frame at $first ms; picture box $live, qolatool frame --at 60000: $still"
awk -v a="$live" -v b="$still" 'BEGIN { split(a, x, " "); split(b, y, " ");
  for (i = 1; i <= 4; i++) { d = x[i] - y[i]; if (d < 0) d = -d; if (d > 80 || x[i] == "") exit 1 } }' ||
  fail "--from 60000: the screen ($live) does not show the frame at 60000 ($still)"

finish "qola's player options"
