#!/usr/bin/env bash
# The README's run command as a user meets it: the time from the command to the login window's first paint, and
# of `run-client.sh --version`, over a number of runs (median and all of them).
#
#   bench/startup.sh [runs] [--beside-build [--same-session]]
#
# Needs a built tree. Without a DISPLAY it starts Xvfb at 1920x1080 with openbox. --beside-build runs a full
# build of a scratch copy of the tree (its own folder, ccache off) throughout, as a machine with other work has:
# in a session of its own, as from another terminal (the kernel shares the processor between sessions first), or
# with --same-session in the bench's own, the harder case.
# The login window counts as painted once the window manager lists it, mapped and viewable: Qt paints a window
# in the event-loop turn that maps it.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=10
beside=0
session=setsid
for arg in "$@"; do
    case "$arg" in
    --beside-build) beside=1 ;;
    --same-session) session= ;;
    *) runs=$arg ;;
    esac
done

work=$(mktemp -d "${TMPDIR:-/tmp}/startup-bench.XXXXXX")
pids=()
build=
cleanup() {
    if [ -n "$build" ]; then kill -- "-$build" 2>/dev/null || true; fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# A runtime folder of its own: one client runs per user, and another one of the user's may be running.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 130); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.05; done
    openbox >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.05; done
fi

if [ $beside = 1 ]; then
    mkdir -p "$work/src"
    git archive HEAD | tar -x -C "$work/src"
    # A process group of its own in any case, so that the whole build goes with it at the end: setsid makes one
    # (as a child that is no group leader yet), job control for the one command otherwise.
    [ -n "$session" ] || set -m
    $session bash -c '
        cd "$1"
        while true; do
            rm -rf b
            CCACHE_DISABLE=1 cmake -S . -B b -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null 2>&1
            CCACHE_DISABLE=1 cmake --build b -j"$(nproc)" >/dev/null 2>&1 || true
        done' _ "$work/src" </dev/null >/dev/null 2>&1 &
    build=$!
    set +m
    sleep 20 # the build under way
fi

# Prints the milliseconds since $1 (date +%s%N) once the login window is viewable; 30 s at the most.
login_window_after() {
    local start=$1 id
    for _ in $(seq 3000); do
        for id in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*'); do
            if xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -q '"用户登录"' \
                && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
                echo $((($(date +%s%N) - start) / 1000000))
                return 0
            fi
        done
        sleep 0.01
    done
    echo "the login window did not come" >&2
    return 1
}

median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : int((v[NR/2]+v[NR/2+1])/2)}'; }

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
./scripts/run-client.sh --version >/dev/null # the build is checked once, outside the runs
: >"$work/version"
: >"$work/window"
for i in $(seq "$runs"); do
    start=$(date +%s%N)
    ./scripts/run-client.sh --version >/dev/null
    echo $((($(date +%s%N) - start) / 1000000)) >>"$work/version"

    start=$(date +%s%N)
    ./scripts/run-client.sh >"$work/run.log" 2>&1 &
    script=$!
    login_window_after "$start" >>"$work/window" || { tail -20 "$work/run.log"; exit 1; }
    kill -TERM "$script"
    wait "$script" 2>/dev/null || true
    sleep 1
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "run-client.sh --version (ms): median $(median <"$work/version"), runs: $(tr '\n' ' ' <"$work/version")"
echo "run-client.sh to the login window (ms): median $(median <"$work/window"), runs: $(tr '\n' ' ' <"$work/window")"
