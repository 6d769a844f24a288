#!/usr/bin/env bash
# The editor's opening on a 4K picture beside ksnip's, in one run on its own
# Xvfb. Not the same measure: ours is from "Ed&it" to the canvas's first paint
# inside the running program (bench_editor); ksnip can only be timed from its
# start (`ksnip -e FILE`) to its editor window being mapped, which includes
# starting a process. Both are printed; no ratio is claimed.
# usage: bench/editor_ksnip.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
command -v ksnip >/dev/null || { echo "ksnip is not installed (apt-get install ksnip)"; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fifo="$work/fifo"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r display <"$fifo"
export DISPLAY=":$display" XDG_RUNTIME_DIR="$work" HOME="$work"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$build/bench/bench_editor" --benchmark_filter=OpenToFirstPaint --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E "median|mean"

/usr/bin/python3 -c "from PIL import Image; Image.new('RGB', (3840, 2160), (17, 201, 83)).save('$work/4k.png')"
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  ksnip -e "$work/4k.png" >/dev/null 2>&1 &
  k=$!
  until xdotool search --onlyvisible --classname ksnip >/dev/null 2>&1; do sleep 0.01; done
  times+=($(( ($(date +%s%N) - start) / 1000000 )))
  kill "$k"; wait "$k" 2>/dev/null || true
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "ksnip -e 4K: start to editor window mapped, median ${sorted[$((runs / 2))]} ms (runs: ${times[*]})"
