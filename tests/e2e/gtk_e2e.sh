#!/usr/bin/env bash
# End-to-end run of the Linux program, driven like a user with xdotool on an X display
# (run it through gtk_xvfb.sh): the demo store on loopback with one product closed, lumeno
# pointed at it, the start-up notice dismissed, monitoring started, the product opened and
# closed at the store, monitoring stopped, the window closed. Then the files tell:
#   log.txt      exactly the open and the close line, GBK, "Time:" stamp "  Log:" message CR LF
#   recording    the login page first, then stock GETs with the login page's session cookie
#                and the three default header lines byte for byte; none after the stop
#   sound        1.mp3 played (to an ALSA file sink) on the opening only
#   exit code    0
# Screenshots of the running window are kept in the artefact folder.
#
#   gtk_e2e.sh LUMENO DEMO_STORE ARTEFACT_DIR
set -uo pipefail

lumeno_bin=$1
store_bin=$2
out=$3

rm -rf "$out"
mkdir -p "$out/run" "$out/home" "$out/requests"
run="$out/run"

store_pid=""
lumeno_pid=""
cleanup() {
  [ -n "$lumeno_pid" ] && kill "$lumeno_pid" 2>/dev/null && wait "$lumeno_pid" 2>/dev/null
  [ -n "$store_pid" ] && kill "$store_pid" 2>/dev/null && wait "$store_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step() { printf 'gtk_e2e: %s\n' "$*"; }
fail() {
  printf 'gtk_e2e: FAIL: %s\n' "$*" >&2
  for f in store.log lumeno.err; do
    [ -s "$out/$f" ] && { echo "--- $f" >&2; tail -20 "$out/$f" >&2; }
  done
  exit 1
}

# wait_for, the store's control requests, window_titled, drive_click_start_stop.
# shellcheck source=gtk_drive.sh
. "$(dirname "$0")/gtk_drive.sh"

# ---- the store ----------------------------------------------------------------------

cat >"$out/scenario.txt" <<'EOF'
# every product closed until a test switches one
step
products 00000
EOF
drive_start_store --scenario "$out/scenario.txt" --record "$out/requests.raw"
step "demo store at $store"

requests_at_least() { [ "$(stock_requests)" -ge "$1" ]; }
recorded() { grep -a -q -F "$1" "$out/requests.raw" 2>/dev/null; }

# ---- the program, in a folder of its own, started from elsewhere ----------------------

cp "$lumeno_bin" "$run/lumeno"
# A short sound, and an ALSA default device that writes what is played to files: with
# truncate false each later open of the device goes to sound.raw.0001, .0002, ...
sox -q -n -r 22050 -c 1 "$run/1.mp3" synth 0.4 sine 880 || fail "cannot make 1.mp3 with sox"
cat >"$out/home/.asoundrc" <<EOF
pcm.!default {
  type file
  slave.pcm "null"
  file "$out/sound.raw"
  format "raw"
  truncate false
}
EOF
sound_bytes() { cat "$out"/sound.raw* 2>/dev/null | wc -c; }

# Without a display the window cannot be loaded: the fatal stop, exit code -1.
DISPLAY=:none "$run/lumeno" >"$out/nodisplay.out" 2>"$out/nodisplay.err"
status=$?
[ "$status" -eq 255 ] || fail "without a display: exit code $status, expected 255 (-1)"
grep -q '载入启动窗口失败' "$out/nodisplay.err" ||
  fail "without a display: no \"载入启动窗口失败\" on stderr: $(cat "$out/nodisplay.err")"
[ ! -e "$run/log.txt" ] || fail "without a display: log.txt was written"

(cd "$out/home" && HOME="$out/home" LUMENO_ORDER_HOST="$store" LUMENO_SITE_HOST="$store" \
  exec "$run/lumeno" >"$out/lumeno.out" 2>"$out/lumeno.err") &
lumeno_pid=$!
started=$SECONDS

program_running() { kill -0 "$lumeno_pid" 2>/dev/null; }

wait_for 20 "start-up notice \"温情提示\"" has_window "温情提示"
has_window "Lumeno v1.0" && fail "the main window showed before the notice was dismissed"
notice=$(window_titled "温情提示")
import -window root "$out/notice.png" 2>/dev/null
xdotool windowactivate --sync "$notice" 2>/dev/null
xdotool key Return
wait_for 10 "main window \"Lumeno v1.0\" after the notice" has_window "Lumeno v1.0"
main=$(window_titled "Lumeno v1.0")
step "window $main up after $((SECONDS - started))s"

# The hidden browser's one load of the login page, on its own, before any check.
wait_for 10 "login page request" recorded "GET /site/login?ac=1 HTTP/1.1"
[ "$(stock_requests)" -eq 0 ] || fail "stock requests before monitoring was started"

screenshot() {
  import -window root "$out/screen-$1.png" 2>/dev/null || return
  eval "$(xdotool getwindowgeometry --shell "$main")"
  # The window with its frame and caption bar.
  convert "$out/screen-$1.png" -crop "$((WIDTH + 16))x$((HEIGHT + 48))+$((X - 8))+$((Y - 42))" \
    +repage "$out/window-$1.png" 2>/dev/null
}
screenshot started

# ---- monitoring: baseline, open, close, stop ---------------------------------------------

log_lines() { [ -f "$run/log.txt" ] && tr -cd '\n' <"$run/log.txt" | wc -c || echo 0; }
log_has_lines() { [ "$(log_lines)" -ge "$1" ]; }

drive_click_start_stop
# The second request comes only after the first check has set every baseline.
wait_for 10 "second stock request after the start" requests_at_least 2
[ "$(log_lines)" -eq 0 ] || fail "a log line before anything opened"
[ "$(sound_bytes)" -eq 0 ] || fail "a sound before anything opened"

switch_product hezi open
wait_for 10 "open line in log.txt" log_has_lines 1
screenshot open
# One pass of the 0.4 s sound is 17640 bytes at 22050 Hz, 16-bit mono; two passes play.
wait_for 10 "the alert sound played twice" test "$(sound_bytes)" -ge 30000
sound_after_open=$(sound_bytes)

switch_product hezi closed
wait_for 10 "close line in log.txt" log_has_lines 2
screenshot closed

drive_click_start_stop
# Stopped: the count of stock requests settles (no new one over 2.5 s, two and a half
# intervals) once the click has been handled and a check under way has finished. A Timer
# that kept running would never let it settle. The recording checks later that no request
# came after this count either, up to the program's exit.
requests_settled() {
  local before
  before=$(stock_requests)
  sleep 2.5
  after_stop=$(stock_requests)
  [ "$after_stop" -eq "$before" ]
}
wait_for 15 "end of the stock requests after the stop" requests_settled
screenshot stopped

# ---- closing --------------------------------------------------------------------------

xdotool windowactivate --sync "$main" 2>/dev/null
xdotool key alt+F4  # the window manager's close, as the close box
wait_for 15 "program exit after the window was closed" eval '! program_running'
wait "$lumeno_pid"
status=$?
lumeno_pid=""
[ "$status" -eq 0 ] || fail "exit code $status, expected 0"
step "closed, exit code 0"

# ---- what the files say ----------------------------------------------------------------

# log.txt: two GBK lines with CR LF, the open line then the close line.
log="$run/log.txt"
[ -f "$log" ] || fail "no log.txt beside the program"
[ ! -e "$out/home/log.txt" ] || fail "log.txt written to the folder the program was started in"
[ "$(log_lines)" -eq 2 ] || fail "log.txt holds $(log_lines) lines, expected 2"
[ "$(grep -a -c $'\r$' "$log")" -eq 2 ] || fail "log.txt lines do not end with CR LF"
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
stamp='Time:[0-9]{4}'"$(gbk 年)"'[0-9]{1,2}'"$(gbk 月)"'[0-9]{1,2}'"$(gbk 日)"
stamp+='([0-9]{1,2}'"$(gbk 时)"'([0-9]{1,2}'"$(gbk 分)"'([0-9]{1,2}'"$(gbk 秒)"')?)?)?'
line1=$(sed -n 1p "$log")
line2=$(sed -n 2p "$log")
LC_ALL=C grep -a -q -E "^${stamp}  Log:$(gbk 'Qorvi盒子 开放购买!')"$'\r$' <<<"$line1" ||
  fail "first log line is not the opening: $(iconv -f GBK -t UTF-8 <<<"$line1")"
LC_ALL=C grep -a -q -E "^${stamp}  Log:$(gbk 'Qorvi盒子 关闭购买!')"$'\r$' <<<"$line2" ||
  fail "second log line is not the closing: $(iconv -f GBK -t UTF-8 <<<"$line2")"

# The sound played on the opening only.
[ "$(sound_bytes)" -eq "$sound_after_open" ] || fail "a sound played after the opening"

# The recording, one file per request.
perl -e '
  local $/; open my $in, "<:raw", $ARGV[0] or die; my $all = <$in>; my $n = 0;
  while ($all =~ /\G--- request (\d+) \((\d+) bytes\) ---\n/gc) {
    my $body = substr($all, pos($all), $2); pos($all) += $2 + 1; $n++;
    open my $out, ">:raw", sprintf("%s/%03d", $ARGV[1], $1) or die; print $out $body;
  }
  pos($all) == length($all) or die "recording not understood after request $n\n";
' "$out/requests.raw" "$out/requests" || fail "cannot split the store's recording"
mapfile -t requests < <(ls "$out/requests" | sort)
[ "${#requests[@]}" -ge 4 ] || fail "only ${#requests[@]} requests recorded"

accept='Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*'
expect_lines() {  # FILE LINE...: each LINE (CR added) occurs exactly once in FILE
  local file=$1 line
  shift
  for line in "$@"; do
    [ "$(grep -a -c -x -F "$line"$'\r' "$file")" -eq 1 ] ||
      fail "request $(basename "$file") lacks the exact line \"$line\""
  done
}

first="$out/requests/${requests[0]}"
[ "$(head -1 "$first")" = $'GET /site/login?ac=1 HTTP/1.1\r' ] ||
  fail "the first request is not the login page: $(head -1 "$first")"
expect_lines "$first" "$accept" "Referer: http://$store/site/login?ac=1" "Accept-Language: zh-cn"
grep -a -q -i '^Cookie:' "$first" && fail "the login page request already carried a cookie"

session=""
for name in "${requests[@]:1}"; do
  file="$out/requests/$name"
  [ "$(head -1 "$file")" = $'GET /misc/get2014nianstock HTTP/1.1\r' ] ||
    fail "request $name is not a stock GET: $(head -1 "$file")"
  expect_lines "$file" "$accept" "Referer: http://$store/misc/get2014nianstock" \
    "Accept-Language: zh-cn" "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"
  cookie=$(grep -a -i '^Cookie:' "$file" | tr -d '\r')
  [[ "$cookie" =~ ^Cookie:\ SESSIONID=[0-9a-f]{32}$ ]] ||
    fail "request $name carries \"$cookie\", not the login page's session cookie"
  [ -z "$session" ] && session=$cookie
  [ "$cookie" = "$session" ] || fail "request $name changed the session cookie"
done
[ "$((${#requests[@]} - 1))" -eq "$after_stop" ] ||
  fail "$((${#requests[@]} - 1)) stock requests recorded, $after_stop counted at the stop"

step "PASS: ${#requests[@]} requests (login + $after_stop stock), 2 log lines, sound on the opening, $((SECONDS - started))s"
