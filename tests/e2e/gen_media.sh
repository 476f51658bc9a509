#!/bin/bash
# gen_media.sh -- the media generators as `./demo.sh media` runs them: a fresh run writes every
# file the demo loads, the scene and the mesh byte for byte as committed, and the qolatool 3ds
# listing of the new scene names its boxes and cameras; bad arguments exit 2, an unwritable
# folder exits 1 naming the file
# usage: bash gen_media.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/lib/common.sh" "$@"
cd "$work" || exit 1

mkdir -p out
for gen in gen_scene gen_textures gen_sphere; do
  "$build/bin/$gen" out >log 2>err || fail "$gen: exit code $?: $(cat err)"
done
for f in scene1texkey.3ds sphere6divs.x octo1.png octo2.png pig1.png pig2.png snake1.png snake2.png \
  croc1.png croc2.png qola1.png qola2.png qola3.png qola4.png maps/pmetal.png maps/floor.png \
  maps/wall.png maps/stone.png maps/trim.png maps/crate.png; do
  [ -s "out/$f" ] || fail "$f was not written"
done
cmp -s out/scene1texkey.3ds "$source/demo/media/scene1texkey.3ds" ||
  fail "scene1texkey.3ds differs from the committed one: run ./demo.sh media and commit"
cmp -s out/sphere6divs.x "$source/demo/media/sphere6divs.x" ||
  fail "sphere6divs.x differs from the committed one: run ./demo.sh media and commit"

"$build/bin/qolatool" 3ds out/scene1texkey.3ds out/maps/ >listing 2>err || fail "qolatool 3ds: $(cat err)"
for name in Box01 Box02 Box03; do
  grep -q "^mesh \"$name\" " listing || fail "no mesh $name in: $(cat listing)"
done
for name in Camera1 Camera02 Camera03; do
  grep -q "^node \"$name\" " listing || fail "no node $name in: $(cat listing)"
done
[ "$(grep -m1 '^light' listing | cut -d' ' -f3-4)" = "spot 1" ] || fail "the first light is no spot light"

for gen in gen_scene gen_textures gen_sphere; do
  "$build/bin/$gen" >/dev/null 2>err
  rc=$?
  [ $rc -eq 2 ] || fail "$gen without arguments: exit code $rc, not 2"
  grep -q "usage: $gen" err || fail "$gen without arguments: message: $(cat err)"
  "$build/bin/$gen" "$work/no/such/dir" >/dev/null 2>err
  rc=$?
  [ $rc -eq 1 ] || fail "$gen into a missing folder: exit code $rc, not 1"
  grep -q "$work/no/such/dir/" err || fail "$gen into a missing folder: message: $(cat err)"
done

finish "media generators"
