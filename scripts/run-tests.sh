#!/usr/bin/env bash
# Installs what is missing, builds everything, runs every test and then the fuzz targets, telling how long each
# step took.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
start=$SECONDS
step "package check and installation" ./scripts/install-deps.sh
./scripts/build.sh
cd "${BUILD_DIR:-build}"
step tests ctest --output-on-failure -j"$(nproc)" --timeout 600
cd - >/dev/null
step fuzz ./scripts/run-fuzz.sh
echo "== all: $((SECONDS - start)) s"
