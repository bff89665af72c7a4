#!/usr/bin/env bash
# Configures and builds into build/ (programs in build/bin): everything, or only the
# targets that TARGETS names (blank-separated). Extra arguments go to cmake's
# configure step (e.g. -DKESTRALINE_TSAN=ON). CMAKE_BUILD_PARALLEL_LEVEL limits the
# compiler jobs (one per core by default).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" ${TARGETS:+--target $TARGETS}
