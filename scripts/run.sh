#!/usr/bin/env bash
# Installs what is missing, builds, and starts the resident program on the
# current X display.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "run: DISPLAY is not set; Snaprio 2000 needs an X11 session to start on" >&2
  exit 1
fi
scripts/deps.sh
if ! xdpyinfo >/dev/null 2>&1; then
  echo "run: the X display '$DISPLAY' does not answer; Snaprio 2000 needs an X11 session" >&2
  exit 1
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
exec build/snaprio "$@"
