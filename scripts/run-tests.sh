#!/usr/bin/env bash
# Installs what is missing, builds everything, runs every test and then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j"$(nproc)" --timeout 600)
./scripts/run-fuzz.sh
