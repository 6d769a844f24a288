#!/usr/bin/env bash
# Installs what is missing, builds (warnings are errors), starts Xvfb and the
# test peers, runs every test (the parsers' tests once more under ASan and
# UBSan, the mail core's under TSan, the Wayland ones in a headless Wayland
# session), and stops what it started, also when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

scripts/deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSNAPRIO_WERROR=ON >/dev/null
cmake --build build -j "$jobs"

# The tests that parse outside input, again with the sanitizers.
SANITIZED_TESTS=(test_config test_imaging test_mail test_shapes test_hook test_editor test_waylandpictures)
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSNAPRIO_SANITIZE=ON \
      -DSNAPRIO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs" --target "${SANITIZED_TESTS[@]}"

# The mail core under ThreadSanitizer: a message renders on a thread of its
# own while the envelope and the data go out behind it.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSNAPRIO_TSAN=ON \
      -DSNAPRIO_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target test_mail

# The fuzz targets of the file readers (clang + libFuzzer), run briefly below;
# run them longer by hand: build-fuzz/tests/fuzz/fuzz_bmp -max_total_time=600 DIR tests/fuzz/corpus/bmp
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSNAPRIO_FUZZ=ON -DSNAPRIO_TESTS=OFF \
      -DSNAPRIO_BENCH=OFF -DSNAPRIO_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_bmp fuzz_jpeg fuzz_png fuzz_message

pids=()
wayland=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "$wayland" ]; then tests/wayland/session.sh stop "$wayland" || true; fi
}
trap cleanup EXIT

# Xvfb picks a free display number itself and tells it on a pipe. -noreset:
# without it the server resets (root background included) whenever its last
# client leaves.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"
# The X11 tests meet Xvfb also when this runs inside a Wayland desktop, which
# would otherwise decide the session (the Wayland tests get their own below).
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
echo "test: Xvfb on $DISPLAY"

export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
# The Wayland tests run below, in one session for all of them.
ctest --test-dir build --output-on-failure -j 1 -LE wayland || status=$?
# sway refuses root, so the Wayland tests run as nobody: a checkout under a
# private folder (root's home) gets the right to pass through its parents.
if [ "$(id -u)" -eq 0 ]; then
  d=$top
  while [ "$d" != / ]; do
    [ -n "$(find "$d" -maxdepth 0 -perm -o+x)" ] || chmod o+x "$d"
    d=$(dirname "$d")
  done
fi
wayland=$(mktemp -d)
if tests/wayland/session.sh start "$wayland"; then
  echo "test: headless sway in $wayland"
  SNAPRIO_WAYLAND_SESSION=$wayland ctest --test-dir build --output-on-failure -j 1 -L wayland \
    || status=$?
  tests/wayland/session.sh stop "$wayland" || status=1
else
  echo "test: the Wayland session did not start"; status=1
fi
wayland=""
ctest --test-dir build-asan --output-on-failure -L pure || status=$?
# The conversations that send a message, so the render thread runs beside
# the sending one (all of test_mail under TSan takes about two minutes here).
# The progress comparison of a message still rendering is left out: slowed
# down this much its events can differ. The tests that run the programs are
# left out too: this tree builds none.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build-tsan/tests/test_mail --gtest_brief=1 \
  --gtest_filter='Smtp.*:SmtpDelivery.RealServer*:SmtpTls.LogsIn*-Smtp.ProgressOfAMessageStill*' \
  || status=$?
# The widget tests once more on the in-memory platform, with no display
# server at all; the tests that meet the X server themselves are skipped.
for t in test_dialogs test_maildlg test_app test_platform; do
  log=$(mktemp)
  if ! env -u DISPLAY -u WAYLAND_DISPLAY SNAPRIO_PLATFORM=memory build/tests/$t --gtest_brief=1 \
       >"$log" 2>&1; then
    grep -E '^\[  FAILED|Failure|rror' "$log" | head -n 40; echo "test: $t failed in memory"; status=1
  else
    echo "test: $t in memory: $(grep -E '^\[  PASSED' "$log" | tr -s ' ')"
  fi
  rm -f "$log"
done
fuzzdir=$(mktemp -d)
for f in bmp jpeg png message; do
  mkdir -p "$fuzzdir/$f"
  if ! build-fuzz/tests/fuzz/fuzz_$f -max_total_time="${FUZZ_SECONDS:-15}" -rss_limit_mb=4096 \
       "$fuzzdir/$f" "tests/fuzz/corpus/$f" >"$fuzzdir/$f.log" 2>&1; then
    tail -n 40 "$fuzzdir/$f.log"; echo "test: fuzz_$f found a fault"; status=1
  else
    echo "test: fuzz_$f ran $(grep -o 'Done [0-9]* runs' "$fuzzdir/$f.log") clean"
  fi
done
rm -rf "$fuzzdir"
exit $status
