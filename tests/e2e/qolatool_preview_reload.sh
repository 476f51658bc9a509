#!/bin/bash
# qolatool_preview_reload.sh -- live reload as a demo maker uses it: the preview paused, then a
# sprite sheet, Phong.fx's ambient term, a camera offset in go.xml and the scene's floor map
# edited in turn (one of them saved the way editors do, a temporary file renamed); after each
# save the action line says ok at the same music time and the picture changes. Then a broken
# shader, a broken go.xml and a cut-short picture: the line says failed with the file (and line),
# the picture stays the last good one, and the mended file brings the new picture back.
# usage: bash qolatool_preview_reload.sh BUILD_DIR SOURCE_DIR
# Screenshots stay in BUILD_DIR/e2e/qolatool_preview_reload_*.png.
source "$(dirname "$0")/lib/common.sh" "$@"
qolatool="$build/bin/qolatool"
require "$qolatool" xvfb-run xdotool import convert compare perl
mkdir -p "$build/e2e"
cp -r "$source/demo" "$work/demo"

inner=$(cat <<'INNER'
source "$QOLA_E2E_LIB/window.sh"
set -u
qolatool=$1 demo=$2 shots=$3 work=$4
cd "$demo" || exit 1
out=$work/actions
start_preview "$qolatool" "$out" "$work/err" --from 30000 || exit 1
lines=0
# wait_line PATTERN: the first line after the last one matched that matches it (5 s at most).
wait_line() {
  local hit=""
  for _ in $(seq 50); do
    hit=$(tail -n +$((lines + 1)) "$out" | grep -nE "$1" | head -1)
    [ -n "$hit" ] && break
    sleep 0.1
  done
  [ -n "$hit" ] || { fail "no line matching \"$1\" in: $(tail -n +$((lines + 1)) "$out")"; return; }
  lines=$((lines + ${hit%%:*}))
}
shot() { sleep 0.6; import -window "$window" "$shots/qolatool_preview_reload_$1.png"; convert "$shots/qolatool_preview_reload_$1.png" -crop 1024x768+0+0 +repage "$work/$1.png"; }
diff_of() { compare -metric MAE "$work/$1.png" "$work/$2.png" null: 2>&1 | sed -E 's/.*\((.*)\)/\1/'; }
changed() {  # changed BEFORE AFTER WHAT
  local d; d=$(diff_of "$1" "$2")
  echo "$3: mean difference $d"
  awk -v d="$d" 'BEGIN { exit !(d > 0.01) }' || fail "$3: the picture did not change ($d)"
}
same() {
  local d; d=$(diff_of "$1" "$2")
  echo "$3: mean difference $d"
  awk -v d="$d" 'BEGIN { exit !(d < 0.002) }' || fail "$3: the picture changed ($d)"
}

xdotool key space; wait_line '^at [0-9]+: pause$'
xdotool key 3; wait_line '^at [0-9]+: seek 32000$'
shot pig
# A sprite sheet, saved as an editor saves: a temporary file renamed over it.
cp media/croc1.png media/.pig1.tmp && mv media/.pig1.tmp media/pig1.png
cp media/croc2.png media/pig2.png
wait_line '^at 32000: reload media/pig1.png ok \([0-9]+ ms\)$'
wait_line '^at 32000: reload media/pig2.png ok \([0-9]+ ms\)$'
shot sprites
changed pig sprites "a sprite sheet"
xdotool key ctrl+Right; wait_line '^at 32000: seek 42000$'
shot scene
# The effect saved in two writes 30 ms apart: one reload, of the whole file.
sed 's/const float kAmbient = 0.12;/const float kAmbient = 0.6;/' media/Phong.fx >"$work/Phong.fx"
saved=$(date +%s%N)
head -c 2000 "$work/Phong.fx" >media/Phong.fx; sleep 0.03; tail -c +2001 "$work/Phong.fx" >>media/Phong.fx
wait_line '^at 42000: reload media/Phong.fx ok'
echo "effect: from the save to its reload line $(( ($(date +%s%N) - saved) / 1000000 )) ms (the line's own polling 100 ms at most)"
sleep 0.5
[ "$(grep -c 'reload media/Phong.fx' "$out")" -eq 1 ] || fail "two writes gave more than one reload: $(cat "$out")"
shot ambient
changed scene ambient "the ambient term"
bright() { convert "$work/$1.png" -colorspace gray -format '%[fx:mean]' info:; }
awk -v a="$(bright ambient)" -v b="$(bright scene)" 'BEGIN { exit !(a > b + 0.03) }' || fail "more ambient light is no brighter"
saved=$(date +%s%N)
sed -i 's/param1="1" param2="34000"/param1="1" param2="20000"/' go.xml
wait_line '^at 42000: reload go.xml ok'
echo "go.xml: from the save to its reload line $(( ($(date +%s%N) - saved) / 1000000 )) ms"
shot camera
changed ambient camera "a camera offset"
saved=$(date +%s%N)
perl -0777 -pi -e 's/floor\.png/crate.png/' media/scene1texkey.3ds
wait_line '^at 42000: reload media/scene1texkey.3ds ok'
echo "scene: from the save to its reload line $(( ($(date +%s%N) - saved) / 1000000 )) ms"
shot floor
changed camera floor "the scene's floor map"
grep -q 'crate.png' log.txt || fail "the scene's log was not written again"

# Failures: the line names the file (and the line), the picture stays, the mend brings it back.
sed -i 's/const float kAmbient = 0.6;/const float kAmbient = 0.6 +;/' media/Phong.fx
wait_line '^at 42000: reload media/Phong.fx failed: media/Phong.fx\([0-9]+\): '
shot broken_shader
same floor broken_shader "a broken shader"
sed -i 's/const float kAmbient = 0.6 +;/const float kAmbient = 0.12;/' media/Phong.fx
wait_line '^at 42000: reload media/Phong.fx ok'
shot mended_shader
changed broken_shader mended_shader "the mended shader"
sed -i 's/<timeline num_layers="2">/<timeline num_layers="2"/' go.xml
wait_line '^at 42000: reload go.xml failed: go.xml line [0-9]+: '
shot broken_script
same mended_shader broken_script "a broken go.xml"
sed -i 's/<timeline num_layers="2"$/<timeline num_layers="2">/' go.xml
wait_line '^at 42000: reload go.xml ok'
cp media/maps/crate.png "$work/crate.png"
head -c 1000 "$work/crate.png" >media/maps/crate.png
wait_line '^at 42000: reload media/maps/crate.png failed: media/maps/crate.png: '
shot cut_png
same mended_shader cut_png "a cut-short picture"
red=$(convert "$shots/qolatool_preview_reload_cut_png.png" -crop 1024x16+0+976 +repage -fx 'r > 0.8 && g < 0.5 ? 1 : 0' \
  -format '%[fx:mean]' info:)
awk -v r="$red" 'BEGIN { exit !(r > 0.005) }' || fail "no red message on the strip ($red)"
cp "$work/crate.png" media/maps/crate.png
wait_line '^at 42000: reload media/maps/crate.png ok'
grep -c 'qolatool preview: ' "$work/err" | grep -qx 3 || fail "not one line on standard error per failure: $(cat "$work/err")"
kill -0 $pid 2>/dev/null || fail "the preview ended"
escape $pid "$window"
[ "${rc:-x}" = 0 ] || fail "exit code ${rc:-none} after Escape"
echo "actions:"; cat "$out"
exit $failures
INNER
)
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -wr" bash -c "$inner" inner "$qolatool" "$work/demo" \
  "$build/e2e" "$work"
failures=$((failures + $?))
finish "qolatool preview reload"
