#!/bin/bash
# qolasynth.sh -- `qolasynth`: the section list, a render at the script's tempo, refusals, arguments
# usage: bash qolasynth.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
tool="$build/bin/qolasynth"

require "$tool"

# A short song and a script at 150 bpm: a sixteenth is 100 ms, a bar 1600 ms.
cat >"$work/song.txt" <<'SONG'
instrument beep
  wave triangle  attack 0  decay 0.05  sustain 0
pattern beat
  C5 . . . | C5 . . . | C5 . . . | C5 . . .
section one 1
  beep beat
section two 2
  beep beat beat:+7
SONG
printf '<demo music_filename="out/tune.ogg" bpm="150" window_title="t"><timeline num_layers="0"/></demo>\n' \
  >"$work/go.xml"

# The section list: starts and lengths in sixteenths, times as the timeline converts them.
out=$("$tool" --script "$work/go.xml" --song "$work/song.txt" --sections) || fail "--sections: exit $?"
[ "$(grep -v '^#' <<<"$out" | awk '{print $1, $2, $3, $4, $5, $6}')" = "one 1 0 16 0 1600
two 2 16 32 1600 4800
total 3 0 48 0 4800" ] || fail "--sections printed:
$out"
[ ! -e "$work/out/tune.ogg" ] || fail "--sections wrote the music"

# A render goes to the script's music file, beside the script; --out sends it elsewhere.
mkdir "$work/out"
"$tool" --script "$work/go.xml" --song "$work/song.txt" >"$work/log" 2>&1 || fail "render: exit $?: $(cat "$work/log")"
[ -s "$work/out/tune.ogg" ] || fail "render: no $work/out/tune.ogg"
grep -q "0:04.8 at 150 bpm" "$work/log" || fail "render: $(cat "$work/log")"
"$tool" --script "$work/go.xml" --song "$work/song.txt" --out "$work/again.ogg" >/dev/null 2>&1 || fail "--out: exit $?"
cmp -s "$work/out/tune.ogg" "$work/again.ogg" || fail "two renders differ"

# Refusals name the file and line, exit 1 and write nothing.
sed 's/decay 0.05/decay fast/' "$work/song.txt" >"$work/bad.txt"
"$tool" --script "$work/go.xml" --song "$work/bad.txt" --out "$work/bad.ogg" >/dev/null 2>"$work/err"
[ $? -eq 1 ] || fail "bad song: not exit 1"
grep -qF "$work/bad.txt line 2: \"decay\" is \"fast\", not a number" "$work/err" || fail "bad song: $(cat "$work/err")"
[ ! -e "$work/bad.ogg" ] || fail "bad song: a file was written"
sed 's/bpm="150"/bpm="0"/' "$work/go.xml" >"$work/slow.xml"
"$tool" --script "$work/slow.xml" --song "$work/song.txt" >/dev/null 2>"$work/err"
[ $? -eq 1 ] || fail "bpm 0: not exit 1"
grep -qF "$work/slow.xml line 1: \"bpm\" is 0" "$work/err" || fail "bpm 0: $(cat "$work/err")"

# Arguments.
"$tool" --help | grep -qF -- "--sections" || fail "--help does not list --sections"
"$tool" --loud >/dev/null 2>&1
[ $? -eq 2 ] || fail "unknown option: not exit 2"
"$tool" --song >/dev/null 2>&1
[ $? -eq 2 ] || fail "--song without a file: not exit 2"

# The shipped song and script: the section list begins with the intro at 0.
out=$(cd "$source" && "$tool" --sections) || fail "shipped --sections: exit $?"
grep -q '^intro  *[0-9]*  *0 ' <<<"$out" || fail "shipped --sections: $out"

finish "qolasynth"
