#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into ./build-fuzz (or $FUZZ_BUILD_DIR) and runs them side by side: each
# replays its seed corpus (fuzz/corpus/<target>) and its regression inputs (fuzz/regressions/<target>), then explores
# from there for a fixed number of runs with a fixed seed ($FUZZ_SEED, 1), so the same tree gets the same verdict
# every time. A crash, a sanitizer report or a leak fails the script. Open-ended exploration is explore-fuzz.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
FUZZ_SEED=${FUZZ_SEED:-1}
# About 15 s each side by side on a machine with other work: the few runs are those of the targets that unpack
# archives to disk or record full stacks.
declare -A RUNS=([tsprotocolanalysis]=40000 [ppprotocolanalysis]=2000 [manifest]=100000 [sharedzip]=1000
    [restreplies]=40000 [fileinfoline]=20000)

fuzz_build "${FUZZ_TARGETS[@]}"
# Where things lie in memory steers some targets (fileinfoline, for one): with the address space laid out anew
# each run, the path would differ from run to run.
if setarch "$(uname -m)" -R true 2>/dev/null; then
    FUZZ_LAUNCH=(setarch "$(uname -m)" -R)
else
    echo "setarch cannot turn off address randomisation here: the runs may take different paths" >&2
fi

# Each fuzzer is one process on one core: they run side by side, so six take the time of the slowest.
declare -A pids=() listed=()
for target in "${FUZZ_TARGETS[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/run_$target"
    rm -rf "$work"
    mkdir -p "$work"
    fuzz_inputs "$target" >"$work/inputs"
    # libFuzzer runs the empty input by itself and skips empty files.
    count=0
    while IFS= read -r -d , file; do
        if [ -s "$file" ]; then count=$((count + 1)); fi
    done < <(cat "$work/inputs" && echo ,)
    listed[$target]=$count
    echo "Fuzzing $target: $count inputs, then ${RUNS[$target]} runs from seed $FUZZ_SEED"
    # The inputs come as a list, not as a corpus folder: libFuzzer would write its finds into the folder and read
    # it again on a timer, and the path would depend on time. Without the operands of comparisons, which hold
    # addresses that move with the folder and the environment, the path is the same in another clone too.
    fuzz_exec "$target" -seed_inputs=@"$work/inputs" -seed="$FUZZ_SEED" -runs="${RUNS[$target]}" -use_cmp=0 \
        -artifact_prefix="$work/" >"$work/fuzz.log" 2>&1 &
    pids[$target]=$!
done
failed=0
for target in "${FUZZ_TARGETS[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/run_$target"
    if ! wait "${pids[$target]}"; then
        tail -n 60 "$work/fuzz.log"
        echo "fuzz_$target failed; the input is in $work/ (keep it in fuzz/regressions/$target/)" >&2
        failed=1
        continue
    fi
    replayed=$(sed -n 's/^INFO: seed corpus: files: \([0-9]*\).*/\1/p' "$work/fuzz.log")
    if [ "$replayed" != "${listed[$target]}" ]; then
        echo "fuzz_$target replayed ${replayed:-no} inputs of ${listed[$target]}" >&2
        failed=1
        continue
    fi
    echo "fuzz_$target:"
    tail -n 12 "$work/fuzz.log"
done
exit $failed
