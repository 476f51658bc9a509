# common.sh -- what every end-to-end check starts with: the build and source folders as absolute
# paths, a scratch folder removed on exit, a failure counter, and the closing line
# usage (first line after the script's comments): source "$(dirname "$0")/lib/common.sh" "$@"
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# require PROGRAM...: each must be built (under build/bin) or on the PATH, or the check fails now.
require() {
  local p
  for p in "$@"; do
    if [[ $p == */* ]]; then
      [ -x "$p" ] || { echo "FAIL: $p is not built"; exit 1; }
    else
      command -v "$p" >/dev/null || { echo "FAIL: $p is missing"; exit 1; }
    fi
  done
}
# The helpers of the checks that drive a window (lib/window.sh): inner scripts run under their
# own X server source them from here.
export QOLA_E2E_LIB
QOLA_E2E_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
xrun() { xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" "$@"; }
# finish WHAT: the closing line, and exit 1 when any check failed.
finish() {
  if [ "$failures" -eq 0 ]; then
    echo "$1: all checks passed"
    exit 0
  fi
  echo "$1: $failures check(s) failed"
  exit 1
}
