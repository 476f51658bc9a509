#!/bin/bash
# shipped_no_harness.sh -- the shipped programs hold no test harness (platform/testing) code
# usage: bash shipped_no_harness.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for program in qola qolatool qolasynth gen_scene gen_textures gen_sphere; do
  binary="$build/bin/$program"
  [ -x "$binary" ] || { fail "$binary is not built"; continue; }
  symbols=$(nm -C "$binary" | grep -c 'platform_testing::')
  [ "$symbols" = 0 ] || fail "$program holds $symbols symbols of platform_testing"
done
# ...while the platform still asks its hooks, which stay empty there.
nm -C "$build/bin/qola" | grep -q 'platform_hooks::ShouldFail' || fail "qola does not ask platform_hooks"

[ "$failures" = 0 ] && echo "ok" || exit 1
