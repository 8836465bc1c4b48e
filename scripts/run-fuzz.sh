#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into ./build-fuzz (or $FUZZ_BUILD_DIR) and runs each for
# $FUZZ_SECONDS (30) seconds from its seed corpus. A crash, a sanitizer report or a leak fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
TARGETS=(tsprotocolanalysis ppprotocolanalysis)
# The REST replies the client reads, and the course-file line of the classroom connection.
TARGETS+=(restreplies fileinfoline)

CC=clang CXX=clang++ cmake -S . -B "$FUZZ_BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVREK_FUZZ=ON -DVREK_BUILD_TESTS=OFF >/dev/null
for target in "${TARGETS[@]}"; do
    cmake --build "$FUZZ_BUILD_DIR" --target "fuzz_$target" -j"$(nproc)"
done

for target in "${TARGETS[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/run_$target"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp fuzz/corpus/"$target"/* "$work/corpus/"
    echo "Fuzzing $target for $FUZZ_SECONDS s"
    # Lines and pad frames are capped at a few MiB; 64 KiB inputs reach every path the readers have.
    if ! "$FUZZ_BUILD_DIR/fuzz/fuzz_$target" "$work/corpus" -max_total_time="$FUZZ_SECONDS" \
        -max_len=65536 -rss_limit_mb=1024 -malloc_limit_mb=256 -timeout=10 \
        -artifact_prefix="$work/" -print_final_stats=1 >"$work/fuzz.log" 2>&1; then
        tail -n 60 "$work/fuzz.log"
        echo "fuzz_$target failed; the input is in $work/" >&2
        exit 1
    fi
    tail -n 12 "$work/fuzz.log"
done
