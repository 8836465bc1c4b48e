#!/usr/bin/env bash
# Open-ended fuzzing: explore-fuzz.sh [seconds] [targets...] builds the libFuzzer targets like run-fuzz.sh and runs
# the named ones (all by default) side by side for the given time (300 s) each, from a random seed, starting from the
# seed corpus, the regression inputs and what earlier explorations kept in build-fuzz/fuzz/explore_<target>/corpus
# (or $FUZZ_BUILD_DIR).
# An input that fails (crash, sanitizer report, leak, time-out, memory limit) is written into
# fuzz/regressions/<target>/, where run-fuzz.sh replays it from then on; the script then fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
seconds=${1:-300}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds] [targets...]   (targets: ${FUZZ_TARGETS[*]})" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=("${FUZZ_TARGETS[@]}"); fi
for target in "${targets[@]}"; do
    case " ${FUZZ_TARGETS[*]} " in
    *" $target "*) ;;
    *)
        echo "No fuzz target $target (targets: ${FUZZ_TARGETS[*]})" >&2
        exit 2
        ;;
    esac
done

fuzz_build "${targets[@]}"

declare -A pids=()
for target in "${targets[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/explore_$target"
    rm -rf "$work/found"
    mkdir -p "$work/corpus" "$work/found"
    seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    seed=$((seed % 2147483647 + 1))
    echo "Exploring $target for $seconds s from seed $seed"
    # New inputs go into the first folder only; the seed corpus and the regression inputs are read as they are.
    folders=("$work/corpus" "$PWD/fuzz/corpus/$target")
    if [ -d "fuzz/regressions/$target" ]; then folders+=("$PWD/fuzz/regressions/$target"); fi
    fuzz_exec "$target" "${folders[@]}" -seed="$seed" -max_total_time="$seconds" -artifact_prefix="$work/found/" \
        >"$work/fuzz.log" 2>&1 &
    pids[$target]=$!
done
failed=0
for target in "${targets[@]}"; do
    work="$FUZZ_BUILD_DIR/fuzz/explore_$target"
    if wait "${pids[$target]}"; then
        echo "fuzz_$target: nothing found in $(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log") runs"
        continue
    fi
    failed=1
    tail -n 60 "$work/fuzz.log"
    mkdir -p "fuzz/regressions/$target"
    inputs=0
    # Slow units are written there too, but fail nothing.
    for input in "$work"/found/{crash,leak,timeout,oom}-*; do
        [ -f "$input" ] || continue
        inputs=$((inputs + 1))
        # An input that is already a regression input fails again at once: it has not been mended yet.
        known=
        for old in fuzz/regressions/"$target"/*; do
            if [ -f "$old" ] && cmp -s "$input" "$old"; then known=$old; fi
        done
        if [ -n "$known" ]; then
            echo "fuzz_$target fails on $known, which is a regression input already: mend that first" >&2
        else
            cp "$input" "fuzz/regressions/$target/"
            echo "fuzz_$target failed; the input is fuzz/regressions/$target/$(basename "$input")," \
                "which run-fuzz.sh replays from now on" >&2
        fi
    done
    if [ $inputs -eq 0 ]; then echo "fuzz_$target failed without a failing input: see $work/fuzz.log" >&2; fi
done
exit $failed
