#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into ./build-fuzz (or $FUZZ_BUILD_DIR) and runs each for
# $FUZZ_SECONDS (30) seconds from its seed corpus, all at once. A crash, a sanitizer report or a leak fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
TARGETS=(tsprotocolanalysis ppprotocolanalysis)
# The updater's manifest and the unpacking of shared files.
TARGETS+=(manifest sharedzip)
# The REST replies the client reads, and the course-file line of the classroom connection.
TARGETS+=(restreplies fileinfoline)

use_ninja "$FUZZ_BUILD_DIR"
CC=clang CXX=clang++ cmake -S . -B "$FUZZ_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVREK_FUZZ=ON -DVREK_BUILD_TESTS=OFF >/dev/null
targets=()
for target in "${TARGETS[@]}"; do targets+=("fuzz_$target"); done
cmake --build "$FUZZ_BUILD_DIR" --target "${targets[@]}" -j"$(nproc)"

# Each fuzzer is one process on one core: they run side by side, so six take the time of one.
declare -A pids=()
for target in "${TARGETS[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/run_$target"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp fuzz/corpus/"$target"/* "$work/corpus/"
    echo "Fuzzing $target for $FUZZ_SECONDS s"
    # Lines and pad frames are capped at a few MiB; 64 KiB inputs reach every path the readers have.
    "$FUZZ_BUILD_DIR/fuzz/fuzz_$target" "$work/corpus" -max_total_time="$FUZZ_SECONDS" \
        -max_len=65536 -rss_limit_mb=1024 -malloc_limit_mb=256 -timeout=10 \
        -artifact_prefix="$work/" -print_final_stats=1 >"$work/fuzz.log" 2>&1 &
    pids[$target]=$!
done
failed=0
for target in "${TARGETS[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/run_$target"
    if ! wait "${pids[$target]}"; then
        tail -n 60 "$work/fuzz.log"
        echo "fuzz_$target failed; the input is in $work/" >&2
        failed=1
        continue
    fi
    echo "fuzz_$target:"
    tail -n 12 "$work/fuzz.log"
done
exit $failed
