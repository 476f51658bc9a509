#!/usr/bin/env bash
# demo.sh -- set up and play qola (./demo.sh), set up and run every test (./demo.sh test), or
# rebuild the demo's generated media into demo/media: everything (./demo.sh media) or only the
# music from our synthesiser (./demo.sh music)
#
# Both install the Debian packages that are missing (as root, or through sudo), then configure
# and build in build/. Playing runs build/bin/qola in the run directory demo/. Testing runs the
# whole test suite on a virtual display, then again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzzer (3DS, .x, effect, script readers) for a bounded time.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Every package the build, the demo and the tests need, in one place. xfonts-base: SDL's X11
# message box draws with core X fonts and shows no dialog without them. llvm-14: its
# llvm-symbolizer names the functions and lines of a crash the fuzzers find.
packages=(
  cmake g++ make pkg-config clang libclang-rt-14-dev llvm-14
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libepoxy-dev libtinyxml-dev libsndfile1-dev libpng-dev libpulse-dev libasound2-dev
  pulseaudio
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  xvfb xauth x11-utils xfonts-base imagemagick xdotool
)

# The package manager's own output goes to a log; the terminal gets one line per phase.
install_log="$root/build/install.log"

install_packages() {
  local missing=()
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "demo.sh: need root or sudo to install ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
  fi
  mkdir -p "$(dirname "$install_log")"
  echo "demo.sh: installing ${#missing[@]} packages: ${missing[*]} (output in $install_log)"
  echo "demo.sh: updating the package lists"
  if ! $sudo apt-get update -qq >"$install_log" 2>&1; then
    tail -n 20 "$install_log" >&2
    echo "demo.sh: apt-get update failed (see $install_log)" >&2
    exit 1
  fi
  echo "demo.sh: downloading and unpacking"
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" \
      >>"$install_log" 2>&1; then
    tail -n 20 "$install_log" >&2
    echo "demo.sh: apt-get install failed (see $install_log)" >&2
    exit 1
  fi
  echo "demo.sh: packages installed"
}

# configure_and_build DIR [CMAKE ARGS...]
configure_and_build() {
  local dir=$1
  shift
  local werror=OFF
  [ "${QOLA_WERROR:-0}" = 1 ] && werror=ON
  echo "demo.sh: building in $dir"
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
  # A crash is reported with function names and lines, not raw addresses.
  local symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
  [ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DQOLA_FUZZ=ON -DQOLA_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  local f name
  # Four targets share the CI budget: QOLA_FUZZ_SECONDS each (30 s unless set).
  for f in "$root"/fuzz/*_fuzz.cpp; do
    [ -e "$f" ] || continue
    name=$(basename "$f" .cpp)
    cmake --build "$dir" -j "$jobs" --target "$name"
    mkdir -p "$dir/corpus/$name"
    "$dir/bin/$name" -max_total_time="${QOLA_FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=2048 \
      "$dir/corpus/$name" "$root/fuzz/seeds/${name%_fuzz}"
  done
}

# make_music: builds qolasynth and renders tools/synth/song.txt at demo/go.xml's tempo into the
# music file that go.xml names (demo/media/music.ogg). The same song and script give the same bytes.
make_music() {
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build" -j "$jobs" --target qolasynth
  (cd "$root" && build/bin/qolasynth --script demo/go.xml --song tools/synth/song.txt)
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
  media)
    # The scene, its maps, the sprites, the sphere and the music come from our generators in
    # tools/; their output is committed, so playing needs no generator run. Same sources, same bytes.
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build" -j "$jobs" --target gen_scene gen_textures gen_sphere
    mkdir -p "$root/demo/media/maps"
    for gen in gen_scene gen_textures gen_sphere; do
      "$root/build/bin/$gen" "$root/demo/media"
    done
    make_music
    ;;
  music)
    make_music
    ;;
  *)
    echo "usage: ./demo.sh [test|media|music]" >&2
    exit 2
    ;;
esac
