#!/bin/bash
# build-windows.sh BUILD_DIR [cmake -D options...]: cross-builds the Windows client into BUILD_DIR.
# The static dependencies are built once per machine into a cache outside the checkout (see
# scripts/windows/build-deps.sh); the options are passed to CMake as they are, e.g. the
# TOLLIVANCE_* deployment variables.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [cmake -D options...]" >&2; exit 2; }
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$1"
shift

PREFIX="$("$ROOT/scripts/windows/build-deps.sh" | tail -n 1)"
[ -d "$PREFIX" ] || { echo "build-windows: the dependencies were not built" >&2; exit 1; }

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-w64-x86_64.cmake" \
    -DTOLLIVANCE_WINDOWS_DEPS="$PREFIX" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@"
cmake --build "$BUILD_DIR" -j"${TOLLIVANCE_WINDOWS_JOBS:-2}"
