#!/usr/bin/env bash
# demo.sh -- set up and play qola (./demo.sh), or set up and run every test (./demo.sh test)
#
# Both install the Debian packages that are missing (as root, or through sudo), then configure
# and build in build/. Playing runs build/bin/qola in the run directory demo/. Testing runs the
# whole test suite on a virtual display, then again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the 3DS reader's fuzzer for a bounded time.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Every package the build, the demo and the tests need, in one place. xfonts-base: SDL's X11
# message box draws with core X fonts and shows no dialog without them.
packages=(
  cmake g++ make pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libepoxy-dev libtinyxml-dev libsndfile1-dev libpng-dev libassimp-dev
  libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  xvfb xauth x11-utils xfonts-base imagemagick xdotool
)

install_packages() {
  local missing=()
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "demo.sh: installing ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "demo.sh: need root or sudo to install ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR [CMAKE ARGS...]
configure_and_build() {
  local dir=$1
  shift
  local werror=OFF
  [ "${QOLA_WERROR:-0}" = 1 ] && werror=ON
  cmake -S "$root" -B "$dir" -DQOLA_WERROR=$werror "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# run_tests DIR: every test of a build directory on its own virtual 1024x768 display.
run_tests() {
  local dir=$1
  (cd "$dir" && xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" \
    ctest --output-on-failure -j 1 --timeout 900)
}

run_fuzzers() {
  local dir="$root/build-fuzz"
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DQOLA_FUZZ=ON -DQOLA_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  local f name
  for f in "$root"/fuzz/*_fuzz.cpp; do
    [ -e "$f" ] || continue
    name=$(basename "$f" .cpp)
    cmake --build "$dir" -j "$jobs" --target "$name"
    mkdir -p "$dir/corpus/$name"
    "$dir/bin/$name" -max_total_time="${QOLA_FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
      "$dir/corpus/$name" "$root/fuzz/seeds/${name%_fuzz}"
  done
}

install_packages
case "${1:-play}" in
  play)
    configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cd "$root/demo"
    exec "$root/build/bin/qola"
    ;;
  test)
    configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_tests "$root/build"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/tests/sanitizer-suppressions.txt:print_suppressions=0"
    configure_and_build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DQOLA_SANITIZE=ON -DQOLA_BENCH=OFF
    run_tests "$root/build-asan"
    run_fuzzers
    echo "demo.sh: every test passed"
    ;;
  *)
    echo "usage: ./demo.sh [test]" >&2
    exit 2
    ;;
esac
