#!/bin/bash
# qolatool_preview.sh -- the preview as a demo maker drives it, keys sent by xdotool: start at
# 30000, Space, Right, Shift+Right, section 3, Ctrl+Right (into a scene shot), then play, [ ... ],
# L, the loop played round at least twice, Space, Escape. Every action's line is read back;
# each paused screenshot's picture equals `qolatool frame --at` the time its line gave. Then the
# preview without music (silent, no waveform) and bad arguments.
# usage: bash qolatool_preview.sh BUILD_DIR SOURCE_DIR
# Screenshots stay in BUILD_DIR/e2e/qolatool_preview_*.png for a person to look at.
# needs: capture
source "$(dirname "$0")/lib/common.sh" "$@"
qolatool="$build/bin/qolatool"
require "$qolatool" xvfb-run xdotool import convert compare
mkdir -p "$build/e2e"

inner=$(cat <<'INNER'
source "$QOLA_E2E_LIB/window.sh"
set -u
qolatool=$1 demo=$2 shots=$3 work=$4
cd "$demo" || exit 1
out=$work/actions
start_preview "$qolatool" "$out" "$work/err" --from 30000 || exit 1
lines=0
# key KEYS PATTERN: sends the keys, waits for a new line matching the pattern (5 s at most) and
# puts the last new line's time in "at" and its last number in "to".
key() {
  [ -n "$1" ] && xdotool key --clearmodifiers $1
  [ -n "$2" ] || { sleep 0.2; return 0; }
  for _ in $(seq 50); do
    if tail -n +$((lines + 1)) "$out" | grep -qE "$2"; then break; fi
    sleep 0.1
  done
  local line
  line=$(tail -n +$((lines + 1)) "$out" | grep -E "$2" | tail -1)
  [ -n "$line" ] || { fail "after $1: no line matching \"$2\" in: $(tail -n +$((lines + 1)) "$out")"; }
  lines=$(wc -l <"$out")
  at=$(sed -E 's/^at ([0-9]+):.*/\1/' <<<"$line")
  to=$(grep -oE '[0-9]+' <<<"$line" | tail -1)
}
# same NAME MS: the picture of the window (its top 1024x768) against qolatool frame --at MS.
same() {
  sleep 0.6  # a frame or two of the held time
  import -window "$window" "$shots/qolatool_preview_$1.png"
  convert "$shots/qolatool_preview_$1.png" -crop 1024x768+0+0 +repage "$work/$1.picture.png"
  "$qolatool" frame --at "$2" -o "$work/$1.frame.png" >/dev/null 2>&1 || fail "$1: qolatool frame --at $2"
  local error
  error=$(compare -metric MAE "$work/$1.picture.png" "$work/$1.frame.png" null: 2>&1 | sed -E 's/.*\((.*)\)/\1/')
  echo "$1: at $2 ms, mean difference $error"
  awk -v e="$error" 'BEGIN { exit !(e < 0.01) }' || fail "$1: the picture at $2 ms differs from qolatool frame by $error"
}

key space '^at [0-9]+: pause$'
[ "$at" -ge 30000 ] && [ "$at" -lt 60000 ] || fail "paused at $at, not after the start at 30000"
same paused "$at"
# A click on the whole song's band seeks there (x 711 of 1024 is 100 s of the 144 s song).
xdotool mousemove --window "$window" 711 800 click 1
key "" '^at [0-9]+: seek [0-9]+$'
[ "$to" -ge 99500 ] && [ "$to" -le 100500 ] || fail "a click at 100 s of the strip sought to $to"
# T hides the strip: the picture in the middle of the whole window, black under it.
key t ''
sleep 0.6
import -window "$window" "$shots/qolatool_preview_hidden.png"
max=$(black_strip "$shots/qolatool_preview_hidden.png" 1024x100+0+890) || fail "T: the strip still shows (brightest $max)"
key t ''
key Home '^at [0-9]+: seek 0$'
key 3 '^at [0-9]+: seek 32000$'
key Left '^at 32000: seek 31500$'
key ctrl+Left '^at 31500: seek 21500$'
key shift+Left '^at 21500: seek 20000$'
key ctrl+Right '^at 20000: seek 30000$'
key Right '^at [0-9]+: seek [0-9]+$'
[ "$to" -eq 30500 ] || fail "Right from 30000: $to is not the next beat"
same beat "$to"
key shift+Right '^at [0-9]+: seek [0-9]+$'
[ $((to % 2000)) -eq 0 ] && [ "$to" -gt "$at" ] || fail "Shift+Right: $at -> $to is no bar on"
same bar "$to"
key 3 '^at [0-9]+: seek 32000$'
grep -qE '^at [0-9]+: section 3 drop$' "$out" || fail "no line for section 3: $(cat "$out")"
same section 32000
key ctrl+Right '^at 32000: seek 42000$'
same scene 42000
# A loop shorter than a frame: refused, on standard error and in red on the strip.
key bracketleft '^at 42000: loop 42000 0 off$'
key bracketright '^at 42000: loop 42000 42000 off$'
key l '^at 42000: loop 42000 42000 off$'
grep -q 'loop 42000 42000 refused' "$work/err" || fail "no refusal of the empty loop on standard error: $(cat "$work/err")"
sleep 0.5
import -window "$window" "$shots/qolatool_preview_refused.png"
red=$(convert "$shots/qolatool_preview_refused.png" -crop 1024x16+0+976 +repage -fx 'r > 0.8 && g < 0.5 ? 1 : 0' \
  -format '%[fx:mean]' info:)
awk -v r="$red" 'BEGIN { exit !(r > 0.005) }' || fail "no red message on the strip ($red)"
key space '^at [0-9]+: play$'
sleep 0.3
key bracketleft '^at [0-9]+: loop [0-9]+ 42000 off$'
start=$at
sleep 1.2
key bracketright "^at [0-9]+: loop $start [0-9]+ off$"
end=$to
key l "^at [0-9]+: loop $start $end on$"
# The loop played round twice: its end jumping back to its start (15 s at most).
for _ in $(seq 150); do
  [ "$(grep -cE "^at $end: wrap $start$" "$out")" -ge 2 ] && break
  sleep 0.1
done
wraps=$(grep -cE "^at [0-9]+: wrap $start$" "$out")
rounds=$(grep -cE "^at $end: wrap $start$" "$out")
[ "$wraps" -ge 3 ] && [ "$rounds" -ge 2 ] || fail "the loop $start-$end wrapped $wraps times (the first jump and at least two rounds): $(cat "$out")"
key space '^at [0-9]+: pause$'
[ "$at" -ge "$start" ] && [ "$at" -lt "$end" ] || fail "paused at $at, outside the loop $start-$end"
same looped "$at"
kill -0 $pid 2>/dev/null || fail "the preview ended before Escape"
escape $pid "$window"
if [ -z "$rc" ]; then fail "still running 1 s after Escape"
else [ "$rc" -eq 0 ] || fail "exit code $rc after Escape"; fi
echo "actions:"; cat "$out"
exit $failures
INNER
)

echo "-- the transport, its lines and its pictures"
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -wr" bash -c "$inner" inner "$qolatool" "$source/demo" \
  "$build/e2e" "$work"
n=$?
[ $n -eq 0 ] || { cat "$work/err" 2>/dev/null; failures=$((failures + n)); }

# Without its music: one line says so, the preview runs in silence and Escape still ends it.
echo "-- a music file that cannot be read"
mkdir -p "$work/nomusic" && cp -r "$source/demo/." "$work/nomusic/"
rm "$work/nomusic/media/music.ogg"
silent=$(cat <<'SILENT'
source "$QOLA_E2E_LIB/window.sh"
cd "$2" || exit 1
start_preview "$1" "$3/out" "$3/err" || exit 1
sleep 1
kill -0 $pid 2>/dev/null || fail "the preview without music ended by itself"
xdotool key 3
sleep 1
escape $pid "$window"
[ "$rc" = 0 ] || fail "exit code ${rc:-none} after Escape"
grep -q 'section 3 drop' "$3/out" || fail "no section line without music: $(cat "$3/out")"
exit $failures
SILENT
)
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" bash -c "$silent" silent "$qolatool" "$work/nomusic" "$work"
failures=$((failures + $?))
grep -q 'cannot be read: the preview runs in silence' "$work/err" || fail "no line about the music: $(cat "$work/err")"

# Bad arguments: one message, exit 2, no window.
for args in "--loop 5000 4000" "--loop 5000" "--size 100x100" "--from x" "--frobnicate"; do
  (cd "$source/demo" && timeout 10 "$qolatool" preview $args >"$work/out" 2>"$work/err")
  rc=$?
  [ $rc -eq 2 ] || fail "preview $args: exit code $rc, not 2"
  grep -q "qolatool preview: " "$work/err" || fail "preview $args: $(cat "$work/err")"
done
"$qolatool" preview --help | grep -q 'at MS: wrap A' || fail "--help does not list the action lines"
finish "qolatool preview"
