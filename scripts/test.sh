#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# every test (unit, integration, gui, app). Needs no display of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build/asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLLIVANCE_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j 2 --timeout 300 "$@"
