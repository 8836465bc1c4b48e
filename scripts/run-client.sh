#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it. Extra arguments go to the client.
# Without server addresses among them, the client runs against the local classroom sandbox (a school's
# service on loopback, with a demo student), in a data folder of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
BUILD=${BUILD_DIR:-build}

for arg in "$@"; do
    case "$arg" in
    -host-* | --host-*) exec "$BUILD/main/TaviStudent" "$@" ;;
    esac
done

export TAVI_APPDATA=${TAVI_APPDATA:-${XDG_DATA_HOME:-$HOME/.local/share}/TaviStudent-sandbox}
info=$(mktemp)
# Given the data folder, the sandbox leaves a screen recording of the lecturer there, waiting for upload.
"$BUILD/sandbox/tavisandbox" --data-dir "$TAVI_APPDATA" >"$info" &
sandbox=$!
trap 'kill $sandbox 2>/dev/null; rm -f "$info"' EXIT
for _ in $(seq 100); do
    [ -s "$info" ] && break
    sleep 0.1
done
read -r http classroom user password lecturer lecturerPassword file _ <"$info"
http=${http#http=}
classroom=${classroom#classroom=}
file=${file#file=}
echo "Classroom sandbox on 127.0.0.1 (REST $http, classroom $classroom, files $file). Sign in with ${user#user=} / ${password#password=}."
echo "On the lecturer's side (TAVI_TEST_USER_TYPE=0) sign in with ${lecturer#lecturer=} / ${lecturerPassword#lecturer-password=}."
"$BUILD/main/TaviStudent" --host-socket-addr 127.0.0.1 --host-socket-port "$classroom" \
    --host-http-addr 127.0.0.1 --host-http-port "$http" --host-file-addr 127.0.0.1 --host-file-port "$file" "$@"
