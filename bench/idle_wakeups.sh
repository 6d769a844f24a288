#!/usr/bin/env bash
# What the waiting resident program costs: wake-ups (context switches from
# /proc/PID/status) and CPU time over a quiet period, side by side with
# xbindkeys holding one key binding, in one run on its own Xvfb.
# usage: bench/idle_wakeups.sh [BUILD_DIR] [SECONDS]
# SETTLE=33 starts counting after the one re-install of the hooks 30 s after
# start (HookTimer); the default 3 counts it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-30}
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$work/fifo" >/dev/null 2>&1 &
pids+=($!)
read -r display <"$work/fifo"
export DISPLAY=":$display"

printf '[Misc]\nFirst Time=No\n' >"$work/SNAPRO.INI"
XDG_RUNTIME_DIR=$work SNAPRIO_INI=$work/SNAPRO.INI "$build/snaprio" 2>/dev/null &
ours=$!
pids+=($ours)
printf '"true"\n  F10\n' >"$work/xbindkeysrc"
xbindkeys -n -f "$work/xbindkeysrc" &
peer=$!
pids+=($peer)
sleep "${SETTLE:-3}" # both settled: grabs taken

# Every thread counts (Qt reads the X connection on a thread of its own).
switches() { cat /proc/$1/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
a0=$(switches $ours); b0=$(switches $peer); ca0=$(cpu_ticks $ours); cb0=$(cpu_ticks $peer)
sleep "$seconds"
a1=$(switches $ours); b1=$(switches $peer); ca1=$(cpu_ticks $ours); cb1=$(cpu_ticks $peer)
hz=$(getconf CLK_TCK)
report() { # name, switches, ticks
  printf '%-10s %6d wake-ups in %ss (%s/s), CPU %s ms (%s %%)\n' "$1" "$2" "$seconds" \
    "$(echo "scale=2; $2 / $seconds" | bc)" "$(( $3 * 1000 / hz ))" \
    "$(echo "scale=3; $3 * 100 / $hz / $seconds" | bc)"
}
report snaprio $((a1 - a0)) $((ca1 - ca0))
report xbindkeys $((b1 - b0)) $((cb1 - cb0))
echo "ratio snaprio/xbindkeys wake-ups: $(( a1 - a0 )) / $(( b1 - b0 ))"
