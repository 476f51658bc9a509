#!/bin/bash
# bench_all.sh -- the whole benchmark list runs to its end in one process, every benchmark
# reporting a time and none an error (at a minimum time short enough for every test run, and
# the show captures half a second long)
# usage: bash bench_all.sh BUILD_DIR SOURCE_DIR
# needs: bench
source "$(dirname "$0")/lib/common.sh" "$@"
bench="$build/bin/qola_bench"
require "$bench" xvfb-run

listed=$("$bench" --benchmark_list_tests 2>/dev/null)
[ -n "$listed" ] || fail "no benchmark is listed"
# The present benchmarks need a display of 1920 x 1080.
(cd "$source" && xvfb-run -a -s "-screen 0 1920x1080x24 +extension GLX" timeout 600 \
  env QOLA_BENCH_SHOW_MS=500 "$bench" --benchmark_min_time=0.01 >"$work/out" 2>"$work/err")
rc=$?
[ $rc -eq 0 ] || fail "exit code $rc (last lines: $(tail -n 3 "$work/out" "$work/err" | tr '\n' ' '))"
! grep -q "ERROR OCCURRED" "$work/out" || fail "benchmarks reported errors: $(grep 'ERROR OCCURRED' "$work/out" | head -3)"
missing=0
while read -r name; do
  grep -qF "$name " "$work/out" || { missing=$((missing + 1)); echo "not run: $name"; }
done <<<"$listed"
[ "$missing" -eq 0 ] || fail "$missing benchmarks did not run"
finish "the whole benchmark list"
