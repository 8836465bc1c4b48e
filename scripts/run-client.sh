#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it. Extra arguments go to the client.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
exec "${BUILD_DIR:-build}/main/TaviStudent" "$@"
