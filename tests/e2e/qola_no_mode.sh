#!/bin/bash
# qola_no_mode.sh -- the demo on an 800x600 screen has no 1024x768 mode: its message on
# standard error under the caption "Eek!", exit code 1, no frame loop
# usage: bash qola_no_mode.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
qola="$build/bin/qola"
require "$qola"

# QOLA_NO_MESSAGE_BOX skips the dialog nobody could click here; the line on stderr stays.
(cd "$source/demo" && QOLA_NO_MESSAGE_BOX=1 timeout 30 \
  xvfb-run -a -s "-screen 0 800x600x24 +extension GLX" "$qola" >"$work/out" 2>"$work/err")
rc=$?
[ $rc -eq 1 ] || fail "exit code $rc, not 1"
grep -qxF 'Eek!: Failed to find desired adapter.' "$work/err" || fail "message: $(cat "$work/err")"
[ "$(grep -c 'Eek!' "$work/err")" -eq 1 ] || fail "more than one message: $(cat "$work/err")"

# The real dialog: it must appear over the black screen and let the program end once OK is
# clicked. The screenshot stays in BUILD_DIR/e2e/qola_no_mode.png.
mkdir -p "$build/e2e"
inner=$(cat <<'INNER'
qola=$1 demo=$2 shot=$3 err=$4
cd "$demo" || exit 1
"$qola" 2>"$err" &
pid=$!
geometry=""
for _ in $(seq 100); do
  line=$(xwininfo -root -tree | grep -F '"Eek!"' | head -1)
  geometry=$(grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+' <<<"$line" | head -1)
  dialog=$(grep -oE '0x[0-9a-f]+' <<<"$line" | head -1)
  [ -n "$geometry" ] && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
[ -n "$geometry" ] || { echo "FAIL: no dialog captioned Eek! appeared"; kill $pid 2>/dev/null; exit 1; }
sleep 0.3
import -window root "$shot"
IFS='x+' read -r w h x y <<<"$geometry"
# Click the OK button (bottom centre) until the program has ended: a slow build may not have
# drawn the dialog's button at the first click. Past the third try, Return (OK is the dialog's
# default button) goes to the focused dialog as well, as a loaded X server may drop a click.
for try in $(seq 20); do
  xdotool mousemove $((x + w / 2)) $((y + h * 72 / 100)) click 1
  sleep 0.5
  kill -0 $pid 2>/dev/null || break
  if [ "$try" -ge 3 ] && [ -n "$dialog" ]; then
    xdotool windowfocus "$dialog" key Return 2>/dev/null
    sleep 0.3
    kill -0 $pid 2>/dev/null || break
  fi
done
if kill -0 $pid 2>/dev/null; then echo "FAIL: still running after OK"; kill $pid; exit 1; fi
wait $pid
INNER
)
timeout 60 xvfb-run -a -s "-screen 0 800x600x24 +extension GLX" bash -c "$inner" inner "$qola" \
  "$source/demo" "$build/e2e/qola_no_mode.png" "$work/err2" >"$work/out2"
rc=$?
grep FAIL "$work/out2" && failures=$((failures + 1))
[ $rc -eq 1 ] || fail "with the dialog: exit code $rc, not 1"
grep -qxF 'Eek!: Failed to find desired adapter.' "$work/err2" || fail "with the dialog: $(cat "$work/err2")"

finish "qola without a 1024x768 mode"
