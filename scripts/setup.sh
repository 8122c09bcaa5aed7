#!/usr/bin/env bash
# Installs what the build needs on a fresh Debian 12 machine (as root), then
# configures and builds Zarvane in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config ccache qt6-base-dev libxcb1-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core xdg-utils
          shared-mime-info libglib2.0-bin
          poppler-utils dpkg-dev desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
