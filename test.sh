#!/usr/bin/env bash
# Builds Zarvane and runs every test, then takes the screenshots of the real
# station under a virtual X server (build/screenshots/, kept as build artefacts),
# then builds the Debian package and runs the station installed from it, then
# runs the whole suite again built with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), and every fuzz target for a few
# seconds (build-fuzz/, clang).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
ctest --test-dir build --output-on-failure -j2
./scripts/screenshots.sh
./scripts/package-test.sh
./scripts/sanitize.sh
./scripts/fuzz.sh -t 3
