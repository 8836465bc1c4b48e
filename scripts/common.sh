# Sourced by the scripts: the generator and the timing of each step, so a long first run shows where it is.

# Ninja's no-op check takes milliseconds where make's takes seconds. A tree configured earlier with another
# generator is configured anew (its cache names the old one).
use_ninja() {
    local dir=$1
    # A tree configured for Ninja has its build.ninja from the first configure on.
    if [ -f "$dir/CMakeCache.txt" ] && ! [ -f "$dir/build.ninja" ]; then
        echo "Configuring $dir anew for Ninja"
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
}

# step NAME COMMAND...: runs the command, then prints how long it took.
step() {
    local name=$1 start=$SECONDS
    shift
    echo "== $name ..."
    "$@"
    echo "== $name: $((SECONDS - start)) s"
}

# quiet COMMAND...: runs the command without its standard output.
quiet() {
    "$@" >/dev/null
}

# The libFuzzer targets of fuzz/, for run-fuzz.sh and explore-fuzz.sh: the two protocol readers; the updater's
# manifest and the unpacking of shared files; the REST replies the client reads, and the course-file line of the
# classroom connection.
FUZZ_TARGETS=(tsprotocolanalysis ppprotocolanalysis manifest sharedzip restreplies fileinfoline)
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
# Absolute, since a target may change its working folder.
if [[ $FUZZ_BUILD_DIR != /* ]]; then FUZZ_BUILD_DIR=$PWD/$FUZZ_BUILD_DIR; fi
# Lines and pad frames are capped at a few MiB; 64 KiB inputs reach every path the readers have.
FUZZ_MAX_LEN=65536
# Qt's JSON reader leaks under frames that only a full stack shows (see cmake/lsan.supp). A full stack on every
# allocation costs these targets several times their speed, so only the targets that read JSON pay it.
FUZZ_FULL_STACKS=(ppprotocolanalysis restreplies)

# fuzz_build TARGET...: configures the clang tree and builds the named targets.
fuzz_build() {
    local targets=() target
    for target in "$@"; do targets+=("fuzz_$target"); done
    use_ninja "$FUZZ_BUILD_DIR"
    CC=clang CXX=clang++ cmake -S . -B "$FUZZ_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVREK_FUZZ=ON -DVREK_BUILD_TESTS=OFF >/dev/null
    cmake --build "$FUZZ_BUILD_DIR" --target "${targets[@]}" -j"${FUZZ_JOBS:-$(nproc)}"
}

# fuzz_exec TARGET ARGS...: runs a fuzz target with the sanitizer settings and limits both scripts share, under
# the command in FUZZ_LAUNCH if one is set.
FUZZ_LAUNCH=()
fuzz_exec() {
    local target=$1 asan=
    shift
    case " ${FUZZ_FULL_STACKS[*]} " in
    *" $target "*) asan=fast_unwind_on_malloc=0:malloc_context_size=255 ;;
    esac
    # A fixed hash seed keeps Qt's hash order, and with it the path a run takes, the same from run to run.
    QT_HASH_SEED=0 ASAN_OPTIONS=$asan LSAN_OPTIONS=suppressions=$PWD/cmake/lsan.supp \
        "${FUZZ_LAUNCH[@]}" "$FUZZ_BUILD_DIR/fuzz/fuzz_$target" -max_len="$FUZZ_MAX_LEN" -rss_limit_mb=1024 \
        -malloc_limit_mb=256 -timeout=10 -print_final_stats=1 "$@"
}

# fuzz_inputs TARGET: the seed corpus and the regression inputs of a target, as one comma-separated line of
# absolute paths in a fixed order.
fuzz_inputs() {
    local target=$1 dir files
    files=$(for dir in "fuzz/corpus/$target" "fuzz/regressions/$target"; do
        if [ -d "$dir" ]; then find "$PWD/$dir" -type f; fi
    done | LC_ALL=C sort)
    # libFuzzer splits the list at commas.
    if [[ $files == *,* ]]; then
        echo "A path of the inputs of $target has a comma, which libFuzzer cannot take" >&2
        return 1
    fi
    # libFuzzer cuts a longer input to the cap without a word.
    if [ -n "$(find "$PWD/fuzz/corpus/$target" "$PWD/fuzz/regressions/$target" -type f -size +"$FUZZ_MAX_LEN"c \
        2>/dev/null)" ]; then
        echo "An input of $target is longer than $FUZZ_MAX_LEN bytes, the fuzzers' cap" >&2
        return 1
    fi
    # No newline at the end: libFuzzer would take it as part of the last name, and skip that file unseen.
    paste -sd, - <<<"$files" | tr -d '\n'
}
