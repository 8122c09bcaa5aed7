#!/usr/bin/env bash
# Makes a fresh demo home in the directory given (build/demo-home by default):
# a copy of demo/home with its paths filled in, the (simulated) blade
# analysis program registered in its registry.ini and, when built, the
# simulated combine program. Prints the directory. The programs come from
# the build directory ZARVANE_BUILD_DIR names (build/ by default).
set -euo pipefail
cd "$(dirname "$0")/.."
home="${1:-$PWD/build/demo-home}"
bin="${ZARVANE_BUILD_DIR:-build}"

# A station running on that home holds its lock file, and its log lives there:
# such a home is left alone. The lock file is the station's QLockFile in the
# temporary directory, named after the SHA-1 of the home's canonical path
# (src/platform/linux_lock.cpp); its first lines are the process id and the
# program's name. As for Qt, the lock is stale when that process has gone or
# the id now belongs to another program.
if [ -d "$home" ]; then
  tmp=$(realpath "${TMPDIR:-/tmp}")
  lock="$tmp/zarvane-$(printf '%s' "$(realpath "$home")" | sha1sum | cut -c1-16).lock"
  pid= app=
  if [ -f "$lock" ]; then { read -r pid; read -r app; } <"$lock" || true; fi
  if [[ "$pid" =~ ^[0-9]+$ ]] && [ -d "/proc/$pid" ]; then
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null || true)
    exe=${exe% (deleted)}
    if [ -z "$exe" ] || [ -z "$app" ] || [ "${exe##*/}" = "$app" ]; then
      echo "A station (process $pid) is running on $home; close it first. Nothing was changed." >&2
      exit 1
    fi
  fi
fi

rm -rf "$home"
mkdir -p "$(dirname "$home")"
cp -r demo/home "$home"
sed -i "s|@HOME@|$home|g" "$home/zarv.ini" "$home/registry.ini"
# The analysis program: the simulated one the build makes ($bin/blade), or
# a stand-in that analyses nothing when it has not been built. Its size
# (at least 958,464 bytes) makes it version 2.0 or newer: a smaller program
# file is padded at its end, which its loader ignores.
mkdir -p "$home/Blade"
if [ -x "$bin/blade" ]; then
  cp "$bin/blade" "$home/Blade/Blade.exe"
  size=$(stat -c %s "$home/Blade/Blade.exe")
  if [ "$size" -lt 958464 ]; then
    head -c $((958464 - size)) /dev/zero >>"$home/Blade/Blade.exe"
  fi
else
  {
    printf '#!/bin/sh\n# Stand-in for the blade analysis program of the demo.\nexit 0\n'
    head -c 958464 /dev/zero | tr '\0' '#'
    printf '\n'
  } >"$home/Blade/Blade.exe"
fi
chmod +x "$home/Blade/Blade.exe"
# The combine program the monitor starts as <home>/combine.exe: the simulated
# one the build makes ($bin/combine); without it the combine step is skipped.
if [ -x "$bin/combine" ]; then
  cp "$bin/combine" "$home/combine.exe"
  chmod +x "$home/combine.exe"
fi
echo "$home"
