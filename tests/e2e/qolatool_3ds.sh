#!/bin/bash
# qolatool_3ds.sh -- `qolatool 3ds`: the records of a good file and its log in the current
# directory with exit code 0; a cut-off file and a missing one with exit code 1 and a message
# usage: bash qolatool_3ds.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
tool="$build/bin/qolatool"
scene="$source/fuzz/seeds/loader3ds/box_scene.3ds"
cd "$work" || exit 1

"$tool" 3ds "$scene" >out 2>err
rc=$?
[ $rc -eq 0 ] || fail "good file: exit code $rc: $(cat err)"
grep -qx 'mesh "Box01" vertices 8 faces 12 groups 1 origin 2.500000 -1.000000 4.000000' out ||
  fail "good file: no mesh line: $(cat out)"
grep -qx 'node "Camera1" position 3 target 2 roll 3' out || fail "good file: no node line: $(cat out)"
grep -q '^material "Steel" .* map "pmetal.png" uscale 2.000000 vscale 3.000000$' out ||
  fail "good file: no material line: $(cat out)"
[ "$(head -1 log.txt)" = "Processing : $scene" ] || fail "log.txt starts with: $(head -1 log.txt)"

head -c 40 "$scene" >cut.3ds
"$tool" 3ds cut.3ds >out 2>err
rc=$?
[ $rc -eq 1 ] || fail "cut-off file: exit code $rc, not 1"
grep -q 'cut.3ds: .*past the end' err || fail "cut-off file: message: $(cat err)"

# Cut on a chunk boundary: the main chunk claims more than the file holds, yet every chunk in it
# is whole. The reader's result stands (exit 0) and a warning names the lengths.
python3 -c "
import struct, sys
d = open(sys.argv[1], 'rb').read()
first = struct.unpack('<I', d[8:12])[0]
open('cut_boundary.3ds', 'wb').write(d[:6 + first])
print(len(d), 6 + first)" "$scene" >sizes
read -r whole cut <sizes
"$tool" 3ds cut_boundary.3ds >out 2>err
rc=$?
[ $rc -eq 0 ] || fail "file cut on a chunk boundary: exit code $rc, not 0"
grep -q "warning: cut_boundary.3ds: the main chunk claims $whole bytes but the file holds $cut" err ||
  fail "file cut on a chunk boundary: warning: $(cat err)"
"$tool" 3ds --help | grep -q 'cut on a chunk boundary' || fail "--help does not explain the cut file"

echo stale >log.txt
"$tool" 3ds missing.3ds >out 2>err
rc=$?
[ $rc -eq 1 ] || fail "missing file: exit code $rc, not 1"
grep -q 'missing.3ds' err || fail "missing file: message: $(cat err)"
[ -e log.txt ] && [ ! -s log.txt ] || fail "missing file: log.txt is not empty"

finish "qolatool 3ds"
