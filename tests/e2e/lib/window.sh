# window.sh -- helpers of the end-to-end checks that drive the demo's window under Xvfb
# usage: source "$QOLA_E2E_LIB/window.sh" (common.sh sets QOLA_E2E_LIB)
# An inner script counts its own failures and exits with their count.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# wait_window PID: the id of the visible window named QOLA once it appears (10 s at most, or
# until PID ends); nothing when none did.
wait_window() {
  local id _
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^QOLA$' 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# black_strip PNG WxH+X+Y: true when every pixel of that part of the picture is black.
black_strip() {
  local max
  max=$(convert "$1" -crop "$2" +repage -colorspace gray -format '%[fx:maxima]' info:)
  awk -v m="$max" 'BEGIN { exit !(m < 0.03) }' || { echo "$max"; return 1; }
}
# escape PID WINDOW: presses Escape in the window and waits up to 1 s for PID to end. Sets rc
# (its exit code, empty when it still runs: then it is killed) and elapsed (milliseconds).
escape() {
  local start _
  xdotool windowfocus --sync "$2" 2>/dev/null
  start=$(date +%s%N)
  xdotool key Escape
  rc=""
  for _ in $(seq 50); do
    if ! kill -0 "$1" 2>/dev/null; then wait "$1"; rc=$?; break; fi
    sleep 0.02
  done
  elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
  [ -n "$rc" ] || { kill "$1"; wait "$1" 2>/dev/null; }
}
# wait_preview PID SCRATCH: the id of the visible window named "qola preview" once the strip's
# readout shows its text (dark, with lit glyphs), so frames are being drawn; a build with the
# sanitizers loads the demo for a while (60 s at most). Nothing when no window came.
wait_preview() {
  local id="" stats _
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name '^qola preview$' 2>/dev/null | head -1)
    [ -n "$id" ] && break
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.1
  done
  [ -n "$id" ] || return 1
  for _ in $(seq 300); do
    import -window "$id" "$2/first.png" 2>/dev/null
    stats=$(convert "$2/first.png" -crop 1024x20+0+960 +repage -colorspace gray -format '%[fx:mean] %[fx:maxima]' info:)
    awk -v m="${stats% *}" -v x="${stats#* }" 'BEGIN { exit !(m < 0.3 && x > 0.7) }' && break
    sleep 0.2
  done
  echo "$id"
}

# start_preview QOLATOOL OUT ERR [ARGS...]: starts "qolatool preview ARGS" with its action lines
# into OUT and its standard error into ERR, waits for its window (wait_preview, with ERR's folder
# as scratch) and focuses it; pid and window are set. Fails, showing ERR, when no window came.
start_preview() {
  local qolatool=$1 out=$2 err=$3
  shift 3
  QOLA_NO_MESSAGE_BOX=1 "$qolatool" preview "$@" >"$out" 2>"$err" &
  pid=$!
  window=$(wait_preview $pid "$(dirname "$err")")
  if [ -z "$window" ]; then
    fail "no window named \"qola preview\""
    cat "$err"
    kill $pid 2>/dev/null
    return 1
  fi
  xdotool windowfocus --sync "$window" 2>/dev/null
}
