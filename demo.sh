#!/usr/bin/env bash
# Builds Zarvane and runs it on a fresh copy of the bundled demo home. With a
# display the main window opens; without one the bundled headless script runs
# and its transcript is printed.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
home="$PWD/build/demo-home"
rm -rf "$home"
cp -r demo/home "$home"
sed -i "s|@HOME@|$home|g" "$home/zarv.ini" "$home/registry.ini"
# A stand-in for the blade analysis program, registered in registry.ini. It
# analyses nothing; its size (above 958,464 bytes) makes it version 2.0 or newer.
mkdir -p "$home/Blade"
{
  printf '#!/bin/sh\n# Stand-in for the blade analysis program of the demo.\nexit 0\n'
  head -c 958464 /dev/zero | tr '\0' '#'
  printf '\n'
} >"$home/Blade/Blade.exe"
chmod +x "$home/Blade/Blade.exe"
export ZARVANE_REGISTRY="$home/registry.ini"
export ZARVANE_SYSTEM_DIR="$home/system"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/zarvane --home "$home" "$@"
else
  exec build/zarvane --home "$home" --script demo/demo.script --virtual-clock "$@"
fi
