#!/bin/bash
# qolatool_script.sh -- `qolatool script`: its output lines, a refused script, --help
# usage: bash qolatool_script.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
tool="$build/bin/qolatool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -x "$tool" ] || { echo "FAIL: $tool is not built"; exit 1; }

# The shipped script, from the repository root: two layers, so four "at " lines, in order.
out=$(cd "$source" && "$tool" script demo/go.xml --at 0 --at 1000 2>"$work/err") || fail "demo/go.xml: exit $?"
at_lines=$(grep '^at ' <<<"$out")
expected_order=$'at 0 layer 0:\nat 0 layer 1:\nat 1000 layer 0:\nat 1000 layer 1:'
[ "$(cut -d: -f1 <<<"$at_lines" | sed 's/$/:/')" = "$expected_order" ] || fail "demo/go.xml: order of lines: $at_lines"
while IFS= read -r line; do
  [[ $line =~ ^at\ [0-9]+\ layer\ [0-9]+:\ (none|event\ [0-9]+\ elapsed\ [0-9]+\ fraction\ [0-9]\.[0-9]{6})$ ]] ||
    fail "malformed line: $line"
done <<<"$at_lines"

# Exact values from a script of known timing: 120 bpm, a sixteenth is 125 ms.
cat >"$work/timing.xml" <<'XML'
<demo music_filename="no-music.ogg" bpm="120" window_title="timing">
  <timeline num_layers="3">
    <layer>
      <event start="0" duration="8" param0="1"/>
      <event start="16" duration="4" param0="2"/>
    </layer>
    <layer><event start="12" duration="0"/><event start="10" duration="40"/></layer>
  </timeline>
</demo>
XML
out=$("$tool" script "$work/timing.xml" --at 2250 --at 0 --at 2500 2>/dev/null) || fail "timing.xml: exit $?"
expected='at 2250 layer 0: event 1 elapsed 250 fraction 0.500000
at 2250 layer 1: event 1 elapsed 1000 fraction 0.200000
at 2250 layer 2: none
at 0 layer 0: event 0 elapsed 0 fraction 0.000000
at 0 layer 1: none
at 0 layer 2: none
at 2500 layer 0: none
at 2500 layer 1: event 1 elapsed 1250 fraction 0.250000
at 2500 layer 2: none'
[ "$(grep '^at ' <<<"$out")" = "$expected" ] || fail "timing.xml: got
$(grep '^at ' <<<"$out")"
grep -q 'timing' <<<"$out" || fail "timing.xml: the header does not show the title"

# A script the demo refuses: its message on standard error, exit code 1, nothing on stdout.
printf '<demo music_filename="m.ogg" bpm="120">\n<timeline num_layers="1">\n<layer/>\n<layer/>\n</timeline></demo>\n' \
  >"$work/refused.xml"
"$tool" script "$work/refused.xml" --at 0 >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "refused.xml: exit $rc, not 1"
grep -qF "$work/refused.xml line 4: \"num_layers\" is 1 but a second \"layer\" follows" "$work/err" ||
  fail "refused.xml: message: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "refused.xml: printed $(cat "$work/out")"
"$tool" script "$work/absent.xml" >/dev/null 2>"$work/err"
[ $? -eq 1 ] || fail "absent.xml: not exit 1"
grep -qF "absent.xml: cannot be opened" "$work/err" || fail "absent.xml: message: $(cat "$work/err")"

# Arguments.
"$tool" script --help >"$work/help" || fail "--help: not exit 0"
grep -qF 'at MS layer L: event I elapsed E fraction F' "$work/help" || fail "--help does not show the line format"
"$tool" script "$work/timing.xml" --at >/dev/null 2>&1
[ $? -eq 2 ] || fail "--at without a time: not exit 2"
"$tool" script "$work/timing.xml" --at -5 >/dev/null 2>&1
[ $? -eq 2 ] || fail "--at -5: not exit 2"
"$tool" script >/dev/null 2>&1
[ $? -eq 2 ] || fail "no FILE: not exit 2"

[ $failures -eq 0 ] && echo "qolatool script: all checks passed"
exit $((failures > 0))
