#!/bin/bash
# qola_bad_script.sh -- the demo with a go.xml it must refuse: one "Eek!" message naming the
# file and the problem, exit code 1, before the frame loop (the program ends by itself)
# usage: bash qola_bad_script.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
qola="$build/bin/qola"
require "$qola"

# One run per refused script: the go.xml text, then what the message must contain.
check() {
  local name=$1 text=$2 expect=$3
  local dir="$work/$name"
  mkdir -p "$dir"
  [ -n "$text" ] && printf '%s\n' "$text" >"$dir/go.xml"
  (cd "$dir" && QOLA_NO_MESSAGE_BOX=1 timeout 30 \
    xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" "$qola" >"$dir/out" 2>"$dir/err")
  local rc=$?
  [ $rc -eq 1 ] || fail "$name: exit code $rc, not 1"
  [ "$(grep -c '^Eek!: ' "$dir/err")" -eq 1 ] || fail "$name: not exactly one message: $(cat "$dir/err")"
  grep '^Eek!: ' "$dir/err" | grep -q 'go.xml' || fail "$name: the message does not name go.xml"
  grep '^Eek!: ' "$dir/err" | grep -qF "$expect" || fail "$name: no \"$expect\" in: $(grep '^Eek!' "$dir/err")"
}

check missing "" "go.xml"
check not_well_formed '<demo music_filename="m.ogg" bpm="120"><timeline num_layers="1">' "line"
check no_timeline '<demo music_filename="m.ogg" bpm="120"/>' "timeline"
check zero_tempo '<demo music_filename="m.ogg" bpm="0"><timeline num_layers="0"/></demo>' "bpm"
check too_many_layers '<demo music_filename="m.ogg" bpm="120">
<timeline num_layers="1"><layer/><layer/></timeline></demo>' "num_layers"

finish "qola with refused scripts"
