#!/usr/bin/env bash
# Builds Zarvane and runs it on a fresh copy of the bundled demo home. With a
# display the main window opens; without one the bundled headless script runs
# and its transcript is printed.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
home=$(./scripts/demo-home.sh "$PWD/build/demo-home")
export ZARVANE_REGISTRY="$home/registry.ini"
export ZARVANE_SYSTEM_DIR="$home/system"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/zarvane --home "$home" "$@"
else
  exec build/zarvane --home "$home" --script demo/demo.script --virtual-clock --clock-start "2026-01-05 09:00:00" "$@"
fi
