#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j"$(nproc)" --timeout 600
