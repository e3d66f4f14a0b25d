#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# every test (unit, integration, gui, app); then cross-builds the Windows client and runs its
# tests and its setup program under Wine. Needs no display of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build/asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLLIVANCE_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 300 "$@"

# Windows: the dependencies are built once per machine into a cache outside the checkout.
windows=build/windows
scripts/build-windows.sh "$windows"
ctest --test-dir "$windows" --output-on-failure -L windows "$@"
