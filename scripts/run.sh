#!/usr/bin/env bash
# Builds the client and runs it against the sandbox, the local stand-in for the hosted service.
# With a display, the window opens; without one, the demo drives a whole session by itself and
# saves screenshots under build/release/demo-screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLLIVANCE_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)"
cmake --install "$build" --prefix "$build/install" >/dev/null
exec scripts/demo/demo.sh "$build"
