#!/usr/bin/env bash
# Configures and builds the whole tree into ./build (or $BUILD_DIR) with Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
BUILD_DIR=${BUILD_DIR:-build}
use_ninja "$BUILD_DIR"
step configure quiet cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
step build cmake --build "$BUILD_DIR" -j"$(nproc)"
