#!/bin/bash
# qolatool_script.sh -- `qolatool script`: its output lines, event names, a refused script, --help
# usage: bash qolatool_script.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
tool="$build/bin/qolatool"

require "$tool"

# The shipped script, from the repository root: two layers, so four "at " lines, in order.
out=$(cd "$source" && "$tool" script demo/go.xml --at 0 --at 1000 2>"$work/err") || fail "demo/go.xml: exit $?"
at_lines=$(grep '^at ' <<<"$out")
expected_order=$'at 0 layer 0:\nat 0 layer 1:\nat 1000 layer 0:\nat 1000 layer 1:'
[ "$(cut -d: -f1 <<<"$at_lines" | sed 's/$/:/')" = "$expected_order" ] || fail "demo/go.xml: order of lines: $at_lines"
while IFS= read -r line; do
  [[ $line =~ ^at\ [0-9]+\ layer\ [0-9]+:\ (none|event\ [0-9]+\ elapsed\ [0-9]+\ fraction\ [0-9]\.[0-9]{6}(\ name\ [^ ]+)?)$ ]] ||
    fail "malformed line: $line"
done <<<"$at_lines"

# The shipped script names the tune's sections on layer 1: a time in each section, the section's
# name and the layer-0 event that plays there (its index in go.xml's layer 0).
while read -r ms section event; do
  out=$(cd "$source" && "$tool" script demo/go.xml --at "$ms" 2>/dev/null)
  grep -qE "^at $ms layer 1: event [0-9]+ elapsed [0-9]+ fraction [0-9.]+ name $section\$" <<<"$out" ||
    fail "demo/go.xml at $ms: layer 1 does not name $section: $(grep '^at' <<<"$out")"
  grep -qE "^at $ms layer 0: event $event elapsed [0-9]+ fraction [0-9.]+\$" <<<"$out" ||
    fail "demo/go.xml at $ms: layer 0 is not event $event: $(grep '^at' <<<"$out")"
done <<'TIMES'
1000 intro 0
20000 build 3
40000 drop 11
70000 break 21
85000 rebuild 23
100000 drop2 29
143999 outro 51
TIMES

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

# Names: printed after the fields only for an event that has one (any layer); a line break
# inside a name prints as a space, so every time and layer stays one line.
cat >"$work/names.xml" <<'XML'
<demo music_filename="no-music.ogg" bpm="120" window_title="names">
  <timeline num_layers="3">
    <layer><event start="0" duration="16" param0="1"/><event start="16" duration="16" name="cut&#10;two"/></layer>
    <layer><event start="0" duration="8" name="intro"/><event start="8" duration="8" name=""/>
      <event start="16" duration="16" param0="1" name="drop"/></layer>
    <layer><event start="0" duration="64" name="third layer"/></layer>
  </timeline>
</demo>
XML
out=$("$tool" script "$work/names.xml" --at 500 --at 1500 --at 2500 2>/dev/null) || fail "names.xml: exit $?"
expected='at 500 layer 0: event 0 elapsed 500 fraction 0.250000
at 500 layer 1: event 0 elapsed 500 fraction 0.500000 name intro
at 500 layer 2: event 0 elapsed 500 fraction 0.062500 name third layer
at 1500 layer 0: event 0 elapsed 1500 fraction 0.750000
at 1500 layer 1: event 1 elapsed 500 fraction 0.500000
at 1500 layer 2: event 0 elapsed 1500 fraction 0.187500 name third layer
at 2500 layer 0: event 1 elapsed 500 fraction 0.250000 name cut two
at 2500 layer 1: event 2 elapsed 500 fraction 0.250000 name drop
at 2500 layer 2: event 0 elapsed 2500 fraction 0.312500 name third layer'
[ "$(grep '^at ' <<<"$out")" = "$expected" ] || fail "names.xml: got
$(grep '^at ' <<<"$out")"

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
grep -qF 'at MS layer L: event I elapsed E fraction F name NAME' "$work/help" || fail "--help does not show names"
"$tool" script "$work/timing.xml" --at >/dev/null 2>&1
[ $? -eq 2 ] || fail "--at without a time: not exit 2"
"$tool" script "$work/timing.xml" --at -5 >/dev/null 2>&1
[ $? -eq 2 ] || fail "--at -5: not exit 2"
"$tool" script >/dev/null 2>&1
[ $? -eq 2 ] || fail "no FILE: not exit 2"

finish "qolatool script"
