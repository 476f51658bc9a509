#!/bin/bash
# qolatool_scene.sh -- `qolatool camera` and `qolatool shot` on the lit floor scene, `qolatool fx`
# on the demo's scene effect: exact camera lines, a picture with a lit pool and dark corners, the
# exit codes of refused files, unknown cameras and bad arguments
# usage: bash qolatool_scene.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
tool="$build/bin/qolatool"
scene="$source/fuzz/seeds/loader3ds/lit_floor.3ds"
cd "$work" || exit 1

# --- camera: the eye moves over keys at frames 0, 50 and 100; the target stays at the origin ---
"$tool" camera "$scene" Camera1 --at 0 --at 5000 --at 1234 --at 99999 >out 2>err
rc=$?
[ $rc -eq 0 ] || fail "camera: exit code $rc: $(cat err)"
cat >expected <<'LINES'
at 0 frame 0.000000 eye 0.000000 25.000000 -40.000000 target 0.000000 0.000000 0.000000 roll 0.000000
at 5000 frame 50.000000 eye 15.000000 28.000000 -38.000000 target 0.000000 0.000000 0.000000 roll 0.000000
at 1234 frame 12.340000 eye 3.702000 25.878033 -39.644035 target 0.000000 0.000000 0.000000 roll 0.000000
at 99999 frame 999.989990 eye 30.000000 25.000000 -30.000000 target 0.000000 0.000000 0.000000 roll 0.000000
LINES
diff expected out >/dev/null || fail "camera: lines differ: $(diff expected out)"
[ -s log.txt ] || fail "camera: no log.txt in the current directory"

"$tool" camera "$scene" camera1 --at 0 >out 2>err
[ $? -eq 1 ] || fail "camera: an unknown name does not exit with 1"
grep -q 'no camera animation is named "camera1"' err || fail "camera: unknown name message: $(cat err)"
"$tool" camera missing.3ds Camera1 --at 0 >out 2>err
[ $? -eq 1 ] || fail "camera: a missing file does not exit with 1"
grep -q 'missing.3ds' err || fail "camera: missing file message: $(cat err)"
for args in "$scene Camera1" "$scene Camera1 --at x" "$scene --at 0" "$scene Camera1 --at 0 --bogus"; do
  # shellcheck disable=SC2086
  "$tool" camera $args >out 2>err
  [ $? -eq 2 ] || fail "camera $args: not exit code 2"
done
"$tool" camera --help | grep -q 'at MS frame F eye X Y Z target X Y Z roll R' || fail "camera --help: no line format"

# --- shot: the scene's maps from media/maps/ and the effect from media/, as the demo has them ---
mkdir -p media/maps
cp "$source/demo/media/Phong.fx" media/
convert -size 64x64 pattern:checkerboard media/maps/checker.png
convert -size 8x8 xc:'#c03020' media/maps/paint.png
xrun "$tool" shot "$scene" Camera1 --at 0 -o shot.png >out 2>err
rc=$?
[ $rc -eq 0 ] || fail "shot: exit code $rc: $(cat err)"
[ "$(identify -format '%w %h' shot.png 2>/dev/null)" = "1024 768" ] || fail "shot: not a 1024 x 768 PNG"
# The pool around the light's aim point is bright, the top corners (sky and the floor's dark rim) are not.
mean() { convert shot.png -crop "$1" +repage -colorspace Gray -format '%[fx:int(mean*255)]' info:; }
pool=$(mean 160x80+432+420)
corner=$(mean 120x120+0+0)
[ "$pool" -gt 90 ] || fail "shot: the pool is dark ($pool)"
[ "$corner" -lt 20 ] || fail "shot: the corner is lit ($corner)"
xrun "$tool" shot "$scene" Camera1 --at 10000 -o later.png --size 320x240 >out 2>err
[ "$(identify -format '%w %h' later.png 2>/dev/null)" = "320 240" ] || fail "shot --size: $(cat err)"

xrun "$tool" shot "$scene" Nobody --at 0 -o none.png >out 2>err
[ $? -eq 1 ] || fail "shot: an unknown camera does not exit with 1"
grep -q 'no camera animation is named "Nobody"' err || fail "shot: unknown camera message: $(cat err)"
[ -e none.png ] && fail "shot: a picture was written for an unknown camera"
xrun "$tool" shot "$scene" Camera1 --at 0 -o x.png --fx missing.fx >out 2>err
[ $? -eq 1 ] || fail "shot: a missing effect does not exit with 1"
grep -q 'missing.fx' err || fail "shot: missing effect message: $(cat err)"
"$tool" shot "$scene" Camera1 -o x.png >out 2>err
[ $? -eq 2 ] || fail "shot: no --at is not exit code 2"

# --- fx: both techniques and every parameter the render sets ---
xrun "$tool" fx "$source/demo/media/Phong.fx" >out 2>err || fail "fx: Phong.fx does not compile: $(cat err)"
for line in "technique ShadowMap passes 1" "technique Scene passes 1" \
  "parameter g_mProj float4x4" "parameter g_mWorldView float4x4" "parameter g_mViewToLightProj float4x4" \
  "parameter g_txDiffuseMap texture" "parameter g_txShadowMap texture" \
  "parameter g_fShadowMapSize float" "parameter g_fRecipShadowMapSize float" \
  "parameter g_vViewSpaceLightPosition float3" "parameter g_vViewSpaceLightDirection float3" \
  "parameter g_fCosLightOuterAngle float" "parameter g_fCosLightInnerAngle float" \
  "parameter g_fCosLightAngleDelta float"; do
  grep -qx "$line" out || fail "fx: no \"$line\""
done

finish "qolatool camera, shot, fx"
