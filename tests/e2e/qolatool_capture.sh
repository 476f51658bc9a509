#!/bin/bash
# qolatool_capture.sh -- `qolatool capture` and `qolatool frame` as a demo maker runs them in demo/
# needs: capture
# usage: bash qolatool_capture.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
tool="$build/bin/qolatool"

require "$tool"

# --help documents every option and the exit codes.
help=$("$tool" capture --help) || fail "capture --help: exit $?"
for word in --fps --from --to --size --quality -o --frames --null --serial Ctrl+C "Exit codes"; do
  grep -q -- "$word" <<<"$help" || fail "capture --help does not mention $word"
done
"$tool" frame --help | grep -q -- "--at MS" || fail "frame --help does not mention --at MS"

# Bad arguments: exit 2 with one message naming the argument.
err=$("$tool" capture --fps 0 -o "$work/x.mp4" 2>&1 >/dev/null); code=$?
[ $code -eq 2 ] || fail "--fps 0: exit $code"
grep -q -- '--fps "0"' <<<"$err" || fail "--fps 0: message: $err"
"$tool" capture --size 100x75 -o "$work/x.mp4" 2>/dev/null; code=$?
[ $code -eq 2 ] || fail "--size 100x75: exit $code"
"$tool" frame -o "$work/x.png" 2>/dev/null; code=$?
[ $code -eq 2 ] || fail "frame without --at: exit $code"

# Outside a run directory: exit 1, saying where to run it.
err=$(cd "$work" && "$tool" capture --to 100 -o x.mp4 2>&1); code=$?
[ $code -eq 1 ] || fail "no go.xml: exit $code"
grep -q 'no "go.xml" here' <<<"$err" || fail "no go.xml: message: $err"

# The shipped demo: half a second at 10 fps as PNG frames and as an MP4, and one frame.
(cd "$source/demo" && "$tool" capture --to 500 --fps 10 --size 64x48 --frames "$work/frames" 2>"$work/err") ||
  fail "capture --frames: exit $? ($(cat "$work/err"))"
n=$(ls "$work/frames" | grep -c '^frame[0-9]\{5\}\.png$')
[ "$n" -eq 5 ] || fail "capture --frames: $n frames, expected 5"
grep -q "frame 5/5" "$work/err" || fail "capture --frames: no progress line: $(cat "$work/err")"
(cd "$source/demo" && "$tool" capture --from 1000 --to 1500 --fps 10 --size 64x48 -o "$work/part.mp4" 2>"$work/err") ||
  fail "capture -o: exit $? ($(cat "$work/err"))"
[ -s "$work/part.mp4" ] || fail "capture -o: no file"
head -c 8 "$work/part.mp4" | tail -c 4 | grep -q ftyp || fail "capture -o: not an MP4"
(cd "$source/demo" && "$tool" frame --at 200 --size 64x48 -o "$work/frame.png" 2>"$work/err") ||
  fail "frame: exit $? ($(cat "$work/err"))"
cmp -s "$work/frame.png" "$work/frames/frame00002.png" || fail "frame --at 200 differs from the capture's frame at 200 ms"

# Ctrl+C from outside, as a terminal sends it, whichever of the capture's threads takes it: exit
# 130, the frames so far said and kept, the MP4 finished with its index at the front.
(cd "$source/demo" && exec "$tool" capture --to 60000 --fps 30 --size 64x48 -o "$work/stopped.mp4" 2>"$work/err") &
pid=$!
for _ in $(seq 300); do  # the first progress line: the frame loop runs
  grep -q "^frame [1-9]" "$work/err" 2>/dev/null && break
  sleep 0.2
done
kill -INT $pid
wait $pid; code=$?
[ $code -eq 130 ] || fail "Ctrl+C: exit $code ($(tail -n 2 "$work/err"))"
grep -q "stopped after [1-9][0-9]* of 1800 frames" "$work/err" || fail "Ctrl+C: message: $(tail -n 2 "$work/err")"
head -c 4096 "$work/stopped.mp4" | grep -q moov || fail "Ctrl+C: the MP4 has no index at its front"

finish "qolatool capture"
