#!/usr/bin/env bash
# Configures and builds everything into build/ (programs in build/bin). Extra
# arguments go to cmake's configure step (e.g. -DKESTRALINE_TSAN=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
