#!/usr/bin/env bash
# Makes a fresh demo home in the directory given (build/demo-home by default):
# a copy of demo/home with its paths filled in, and a stand-in for the blade
# analysis program registered in its registry.ini. Prints the directory.
set -euo pipefail
cd "$(dirname "$0")/.."
home="${1:-$PWD/build/demo-home}"
rm -rf "$home"
mkdir -p "$(dirname "$home")"
cp -r demo/home "$home"
sed -i "s|@HOME@|$home|g" "$home/zarv.ini" "$home/registry.ini"
# The stand-in analyses nothing; its size (above 958,464 bytes) makes it
# version 2.0 or newer.
mkdir -p "$home/Blade"
{
  printf '#!/bin/sh\n# Stand-in for the blade analysis program of the demo.\nexit 0\n'
  head -c 958464 /dev/zero | tr '\0' '#'
  printf '\n'
} >"$home/Blade/Blade.exe"
chmod +x "$home/Blade/Blade.exe"
echo "$home"
