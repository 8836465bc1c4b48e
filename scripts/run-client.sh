#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it. Extra arguments go to the client.
# Without server addresses among them, the client runs against the local classroom sandbox (a school's
# service on loopback, with a demo student), in a data folder of its own.
#
# Only what runs is built (the client, and the sandbox with its pad); the tests are run-tests.sh's.
# The script owns its sandbox: one per data folder (a second start while a client runs on it starts none),
# stopped by its process id when the client ends and the other way round, with its temporary folder removed.
# The script exits with the client's status. TAVI_PREBUILT=1 skips the installation and the build (a tree that
# is built already, as the tests run it).
set -euo pipefail
# Every process the script starts before the client delays its window (tens of milliseconds each on a machine
# with other work): builtins where they do, and the build check beside the other preparations.
case $0 in */*) cd "${0%/*}/.." ;; *) cd .. ;; esac
BUILD=${BUILD_DIR:-build}
CLIENT=$BUILD/main/TaviStudent

sandboxed=1
for arg in "$@"; do
    case "$arg" in
    -host-* | --host-*) sandboxed=0 ;;
    # Only prints and ends: no sandbox for it.
    -h | -\? | -help | --help | -v | -version | --version) sandboxed=0 ;;
    esac
done

# The build check of what runs goes on in the background; built waits for it and has its status.
building=
if [ -z "${TAVI_PREBUILT:-}" ]; then
    source scripts/packages.sh
    packages_checked || ./scripts/install-deps.sh
    source scripts/common.sh
    use_ninja "$BUILD"
    # A configured tree reconfigures itself when a CMakeLists.txt changes.
    if ! [ -f "$BUILD/CMakeCache.txt" ]; then
        echo "Configuring $BUILD"
        cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    targets=(TaviStudent)
    [ $sandboxed = 1 ] && targets+=(tavisandbox tavipad)
    # On an unchanged tree this is Ninja's check alone, about a tenth of a second; it says nothing then.
    ninja -C "$BUILD" "${targets[@]}" | { grep -vx "ninja: Entering directory \`$BUILD'\|ninja: no work to do." || true; } &
    building=$!
fi
built() {
    [ -z "$building" ] && return 0
    local status=0
    wait "$building" || status=$?
    building=
    return $status
}

if [ $sandboxed = 0 ]; then
    built
    exec "$CLIENT" "$@"
fi

fresh=0
if [ -z "${TAVI_APPDATA:-}" ]; then
    TAVI_APPDATA=${XDG_DATA_HOME:-$HOME/.local/share}/TaviStudent-sandbox
    fresh=1
fi
export TAVI_APPDATA
[ -d "$TAVI_APPDATA" ] || mkdir -p -m 700 "$TAVI_APPDATA"
# The lock on the data folder lasts as long as the script, the sandbox or the client holds it open.
exec 9<"$TAVI_APPDATA"
if ! flock -n 9; then
    echo "A client already runs against the sandbox in $TAVI_APPDATA; no second sandbox is started." >&2
    exec 9<&-
    built
    exec "$CLIENT" "$@" # it shows that it runs already, and ends
fi
# The sandbox's own data folder starts empty at every run, as on a first start: the course list opens on the
# device check. It is kept after the run, with its log, until the next one (not while a client runs: a second
# one only tells that the first is there). Emptied, not replaced, so that the lock stays on it.
if [ $fresh = 1 ] && ! pgrep -u "$EUID" -x TaviStudent >/dev/null; then
    find "$TAVI_APPDATA" -mindepth 1 -delete
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tavi-run-client.XXXXXX")
mkfifo -m 600 "$work/info"
sandbox=
client=
reader=

# SIGTERM, then SIGKILL when the process has not ended within 5 s; reaps it and leaves its status in $stopped.
stopped=0
stop() {
    local pid=$1
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    stopped=0
    wait "$pid" 2>/dev/null || stopped=$?
}
cleanup() {
    if [ -n "$client" ]; then stop "$client"; fi
    if [ -n "$sandbox" ]; then stop "$sandbox"; fi
    if [ -n "$reader" ]; then stop "$reader"; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# free_port NAME: a port on loopback where nothing listens (a connection is refused at once), below the ephemeral
# range and none given already, into the variable NAME.
taken=
free_port() {
    local port i
    for ((i = 0; i < 100; i++)); do
        port=$((20000 + RANDOM % 12000))
        case " $taken " in *" $port "*) continue ;; esac
        if ! { : <>"/dev/tcp/127.0.0.1/$port"; } 2>/dev/null; then
            taken="$taken $port"
            printf -v "$1" %s "$port"
            return 0
        fi
    done
    echo "No free ports on 127.0.0.1 for the classroom sandbox." >&2
    exit 1
}
free_port http
free_port classroom
free_port file
built

# The sandbox's first line says that it listens, and with which accounts. It is read as it comes, by a reader that
# waits on the pipe instead of looking again and again: processes started while the client starts delay its
# window. Every other line the sandbox writes (each step of the lesson it sees: answers, hands, locks, stage) comes
# out on the script's standard error as it is written, marked as the sandbox's; read, so that a full pipe cannot
# hold the sandbox up.
{
    announced=0
    while IFS= read -r line || [ -n "$line" ]; do
        if [ $announced = 0 ] && [[ $line == http=* ]]; then
            announced=1
            read -r _ _ user password lecturer lecturerPassword _ <<<"$line"
            echo "Classroom sandbox on 127.0.0.1 (REST $http, classroom $classroom, files $file). Sign in with ${user#user=} / ${password#password=}."
            echo "On the lecturer's side (TAVI_TEST_USER_TYPE=0) sign in with ${lecturer#lecturer=} / ${lecturerPassword#lecturer-password=}."
            echo "The sandbox's own lines follow, marked [sandbox]."
        else
            printf '[sandbox] %s\n' "$line" >&2
        fi
    done
} <"$work/info" &
reader=$!

# The sandbox's temporary folders (nginx's, its clips) go into the script's own, which goes in any case.
# Given the data folder, the sandbox leaves a screen recording of the lecturer there, waiting for upload.
# What the sandbox takes seconds to make is kept in the build tree from one run to the next. It yields to the
# client it serves: on a machine with other work its own start would hold the login window back.
TMPDIR="$work" nice -n 5 "$BUILD/sandbox/tavisandbox" --http-port "$http" --classroom-port "$classroom" --file-port "$file" \
    --data-dir "$TAVI_APPDATA" --cache-dir "$BUILD/sandbox/cache" >"$work/info" 2>&1 &
sandbox=$!

# The two start side by side: the sandbox listens on its ports within its first fraction of a second, long before
# the client, which has its windows to make, asks anything of them. Every address the client uses is the
# sandbox's: nothing goes to the built-in host.
"$CLIENT" --host-socket-addr 127.0.0.1 --host-socket-port "$classroom" \
    --host-http-addr 127.0.0.1 --host-http-port "$http" --host-file-addr 127.0.0.1 --host-file-port "$file" "$@" &
client=$!

# Whichever ends first takes the other with it.
ended=
status=0
wait -n -p ended "$client" "$sandbox" || status=$?
if [ "$ended" = "$sandbox" ]; then
    echo "The classroom sandbox ended (status $status); the client is stopped." >&2
    sandbox=
    stop "$client"
    status=$stopped
fi
client=
exit "$status"
