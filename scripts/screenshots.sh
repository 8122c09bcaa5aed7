#!/usr/bin/env bash
# Screenshots of the station on the demo data under a virtual X server, to look
# at: the main window in every shipped language, on the four-zone and the
# single-zone screen. Pictures go to build/screenshots/
# (main-<layout>-<language>.png). Installs Xvfb, ImageMagick and xdotool when
# missing.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for p in xvfb x11-apps imagemagick xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
./scripts/setup.sh
out="$PWD/build/screenshots"
mkdir -p "$out"
display=:91
Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
xvfb=$!
station=
trap 'kill $station $xvfb 2>/dev/null || true' EXIT
export DISPLAY="$display"
sleep 1

# Starts the station on a fresh demo home with the given settings and waits for
# its main window; sets $station and $window.
start() {
  local home
  home=$(./scripts/demo-home.sh "$PWD/build/shot-home")
  for setting in "$@"; do
    sed -i "s|^${setting%% =*} =.*|$setting|" "$home/zarv.ini"
  done
  ZARVANE_REGISTRY="$home/registry.ini" ZARVANE_SYSTEM_DIR="$home/system" \
    build/zarvane --home "$home" >/dev/null 2>&1 &
  station=$!
  window=$(xdotool search --sync --onlyvisible --pid "$station" --name "Zarvane" | tail -n 1)
  sleep 2  # the splash goes and the host starts
}
stop() {
  kill "$station" 2>/dev/null || true
  wait "$station" 2>/dev/null || true
}

languages=(english french italian german spanish)
for layout in multi single; do
  zones=OFF
  [ "$layout" = single ] && zones=ON
  for n in 1 2 3 4 5; do
    start "Language = $n" "SingleZone = $zones" "SZ_Serial = $zones" "SZ_Stats = $zones" \
      "STAT1 = OPERATOR Operator Name"
    import -window root "$out/main-$layout-${languages[$n - 1]}.png"
    stop
  done
done

echo "Screenshots in $out"
