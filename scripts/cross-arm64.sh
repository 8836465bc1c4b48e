#!/usr/bin/env bash
# Cross-builds the whole tree for arm64 on an amd64 Debian 12 machine and runs its tests under qemu-user.
#
#   scripts/cross-arm64.sh [setup] [build] [test]      (all three when none is named)
#   scripts/cross-arm64.sh --multiarch [build] [test]  (on this machine itself, through dpkg's multiarch)
#   scripts/cross-arm64.sh --no-display test           (only the tests that start no X server)
#   scripts/cross-arm64.sh run COMMAND...              (a command where the tests run, e.g. one test alone)
#
# By default everything happens in a Debian 12 chroot of its own, made with debootstrap in
# $BUILD_ARM64/chroot (build-arm64/chroot): this machine's packages stay as they are. In it: Debian's
# g++-aarch64-linux-gnu, the build tools and the test tools (Xvfb, ffmpeg, nginx, pactl) as amd64 packages, and
# every library of scripts/packages.sh as arm64 packages beside them (multiarch inside the chroot). The chroot is
# kept between runs; a second setup with the same package list only checks it. The build goes to
# $BUILD_ARM64/tree, its ccache to $BUILD_ARM64/ccache.
#
# The tests run under qemu-aarch64-static, inside PID, mount and user namespaces of their own: the arm64
# programs (and every arm64 program a test starts) run through a binfmt_misc entry registered in the user
# namespace's own instance (Linux 6.7 and later), which the rest of the machine never sees, and the chroot's
# process table is its own. A test that cannot run emulated is named below with its reason, left out, and
# reported as not run; it never counts as passed.
#
# --multiarch adds arm64 to this machine's dpkg and installs the same packages here instead (it needs root and
# changes the machine's packages; it fails where an arm64 package conflicts with an installed one).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
source scripts/packages.sh

BUILD_ARM64=${BUILD_ARM64:-build-arm64}
JOBS=${JOBS:-4}
MIRROR=${MIRROR:-http://deb.debian.org/debian}
SECURITY_MIRROR=${SECURITY_MIRROR:-http://deb.debian.org/debian-security}
# Emulated, a test's time limit is this many times its own.
TIMEOUT_SCALE=${TIMEOUT_SCALE:-8}

multiarch=0
display=1
phases=()
run=()
for arg in "$@"; do
    if [ ${#run[@]} -gt 0 ]; then run+=("$arg"); continue; fi
    case "$arg" in
    --multiarch) multiarch=1 ;;
    --no-display) display=0 ;;
    setup | build | test) phases+=("$arg") ;;
    run) run=(run) ;;
    *) echo "usage: $0 [--multiarch] [--no-display] [setup] [build] [test]" >&2; exit 2 ;;
    esac
done
[ ${#phases[@]} -gt 0 ] || [ ${#run[@]} -gt 0 ] || phases=(setup build test)

# Tests that cannot run under qemu-user, each with its reason.
declare -A NOT_EMULATED=(
    # qemu-user refuses prctl(PR_SET_CHILD_SUBREAPER), which the run script's test needs to find the processes
    # the script leaves behind.
    [tst_runclient]="qemu-user refuses prctl(PR_SET_CHILD_SUBREAPER)"
    # The crash handler's children end with status 1 and leave no report when the signal is a guest's.
    [tst_crashrptmanager]="the crash handler writes no report for a signal raised under qemu-user"
    # glibc's posix_spawn learns of a failed exec through memory it shares with its vfork child; qemu-user runs
    # that child as a fork.
    [tst_updaterplatform]="posix_spawn's failed exec is not reported under qemu-user (its vfork runs as a fork)"
    # Its cases pass; LeakSanitizer's check at the end of the run stops with "LeakSanitizer has encountered a fatal
    # error" under qemu-user.
    [tst_pullenginefactory_asan]="LeakSanitizer's check at the end of the run fails under qemu-user"
    # Its watchdog gives the GUI thread a fixed time to lay out 10000 nested tables, which emulation exceeds.
    [tst_hostiletext]="the 10000 nested tables take longer than its watchdog's fixed time under emulation"
)

# The packages of scripts/packages.sh for a cross build: build and test tools for this machine (amd64), the
# libraries and plug-ins the program loads for arm64, architecture-free data as it is.
cross_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        case "$p" in
        g++) echo g++-aarch64-linux-gnu ;;
        # The fuzz targets are built on amd64 only (libFuzzer's runtime).
        clang | libfuzzer-*-dev | libclang-rt-*-dev) ;;
        cmake | ninja-build | make | pkg-config | ccache | qtbase5-dev-tools | qttools5-dev-tools) echo "$p" ;;
        xvfb | xauth | x11-utils | openbox | imagemagick | ffmpeg | nginx | libnginx-mod-rtmp | zip | unzip) echo "$p" ;;
        zbar-tools | pulseaudio | pulseaudio-utils | xfwm4 | metacity | dbus-daemon) echo "$p" ;;
        qttranslations5-l10n | fonts-*) echo "$p" ;;
        *) echo "$p:arm64" ;;
        esac
    done
    # The program's ALSA sound goes through the sound server's plug-in; the sanitizer test's run-time libraries;
    # qemu runs the tests.
    echo libasound2-plugins:arm64 libasan8:arm64 libubsan1:arm64
    echo qemu-user-static
}

if [ $multiarch = 1 ]; then
    root=
    src=$PWD
    tree=$PWD/$BUILD_ARM64/tree
else
    root=$PWD/$BUILD_ARM64/chroot
    src=/src
    tree=/src/$BUILD_ARM64/tree
fi
mkdir -p "$BUILD_ARM64"

# What runs inside the namespaces: the chroot's mounts (or /proc alone, with --multiarch), the binfmt entry with
# --emulate, then the command.
inner='
set -euo pipefail
root=$1 here=$2 build=$3 emulate=$4
shift 4
mount --make-rprivate /
if [ "$emulate" = 1 ]; then
    qemu=$root/usr/bin/qemu-aarch64-static
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    # F: qemu is opened now, so it is found from inside the chroot as well.
    printf "%s" ":qemu-aarch64:M::\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" \
        >/proc/sys/fs/binfmt_misc/register
fi
if [ -z "$root" ]; then
    mount -t proc proc /proc
    exec "$@"
fi
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount -t tmpfs tmpfs "$root/dev/shm"
mkdir -p "$root/src"
mount --bind "$here" "$root/src"
# The chroot is inside the tree: inside, its place is empty.
mount -t tmpfs tmpfs "$root/src/$build/chroot"
exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb "$@"
'

# in_root [--emulate] COMMAND...: runs the command in the chroot (or here, with --multiarch), in a PID and mount
# namespace of its own, with the source tree at /src. With --emulate also in a user namespace of its own, whose
# binfmt_misc hands arm64 programs to qemu; every user and group id is mapped to itself in it, so that the files of
# www-data and the like stay theirs (nginx writes its log as root).
in_root() {
    if [ "$1" != --emulate ]; then
        unshare --mount --pid --fork bash -c "$inner" _ "$root" "$PWD" "$BUILD_ARM64" 0 "$@"
        return
    fi
    shift
    # The ids are mapped from here once the namespace exists; inside, the shell starts anew after that, to have
    # its capabilities there.
    unshare --user --mount --pid --fork bash -c \
        'while [ -z "$(cat /proc/self/uid_map)" ]; do sleep 0.05; done; exec bash -c "$@"' \
        _ "$inner" _ "$root" "$PWD" "$BUILD_ARM64" 1 "$@" &
    local pid=$! status=0
    while [ "$(readlink "/proc/$pid/ns/user" 2>/dev/null)" = "$(readlink /proc/self/ns/user)" ]; do sleep 0.01; done
    echo "0 0 4294967295" >"/proc/$pid/uid_map"
    echo "0 0 4294967295" >"/proc/$pid/gid_map"
    wait $pid || status=$?
    return $status
}

setup() {
    if [ $multiarch = 1 ]; then
        dpkg --add-architecture arm64
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $(cross_packages) >/dev/null
        return
    fi
    command -v debootstrap >/dev/null || { echo "debootstrap is needed: apt-get install debootstrap" >&2; exit 1; }
    if ! [ -f "$root/.debootstrap-done" ]; then
        rm -rf "$root"
        debootstrap --variant=minbase --arch=amd64 bookworm "$root" "$MIRROR"
        touch "$root/.debootstrap-done"
    fi
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    # The tests reach their servers as localhost.
    printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
    cat >"$root/etc/apt/sources.list" <<EOF
deb $MIRROR bookworm main
deb $MIRROR bookworm-updates main
deb $SECURITY_MIRROR bookworm-security main
EOF
    local list
    list="$(cross_packages | tr '\n' ' ')"
    if [ -f "$root/.packages-done" ] && [ "$(cat "$root/.packages-done")" = "$list" ] \
        && [ "$root/.packages-done" -nt "$root/var/lib/dpkg/status" ]; then
        echo "the chroot has every package"
        return
    fi
    # Services stay stopped in the chroot (nginx's package would start one on port 80).
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    in_root dpkg --add-architecture arm64
    in_root apt-get -o DPkg::Lock::Timeout=600 update -qq
    # shellcheck disable=SC2086
    in_root /usr/bin/env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends $list >/dev/null
    in_root apt-get clean
    echo "$list" >"$root/.packages-done"
}

build() {
    in_root /usr/bin/env CCACHE_DIR="$src/$BUILD_ARM64/ccache" \
        cmake -S "$src" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$src/cmake/aarch64-linux-gnu.cmake" -DVREK_TEST_TIMEOUT_SCALE="$TIMEOUT_SCALE" >/dev/null
    in_root /usr/bin/env CCACHE_DIR="$src/$BUILD_ARM64/ccache" cmake --build "$tree" -j"$JOBS"
    in_root /usr/bin/env QEMU_LD_PREFIX=/ qemu-aarch64-static "$tree/main/TaviStudent" --version
}

# The tests that start an X server (Xvfb) of their own.
display_tests() {
    grep -rlE "XvfbDisplay|xvfbtestmain.h" tests --include='tst_*.cpp' | sed 's#.*/##; s#\.cpp$##' | sort
}

run_tests() {
    local exclude="" name
    for name in "${!NOT_EMULATED[@]}"; do exclude+="${exclude:+|}$name"; done
    if [ $display = 0 ]; then
        for name in $(display_tests); do exclude+="|$name"; done
    fi
    local log=$BUILD_ARM64/tests.log
    # Qt's process starts under qemu-user (scripts/qemuforkfd.c), for the arm64 programs; $LIB finds no such file
    # for the amd64 tools, which have an empty one so that their loader keeps quiet.
    local shim=$BUILD_ARM64/preload
    mkdir -p "$shim/lib/aarch64-linux-gnu" "$shim/lib/x86_64-linux-gnu"
    in_root aarch64-linux-gnu-gcc -O2 -shared -fPIC -o "$src/$shim/lib/aarch64-linux-gnu/libqemuforkfd.so" \
        "$src/scripts/qemuforkfd.c" -ldl
    if command -v cc >/dev/null; then
        echo 'int vrek_empty;' | cc -shared -fPIC -x c -o "$shim/lib/x86_64-linux-gnu/libqemuforkfd.so" -
    fi
    set +e
    in_root --emulate /usr/bin/env LC_ALL=C.UTF-8 LD_PRELOAD="$src/$shim/\$LIB/libqemuforkfd.so" \
        ctest --test-dir "$tree" --output-on-failure -j"$JOBS" -E "^($exclude)\$" "$@" >"$log" 2>&1
    local status=$?
    set -e
    grep -E "^ *[0-9]+/[0-9]+ Test|tests passed|Total Test time|The following tests FAILED|^\s+[0-9]+ - " "$log" \
        | grep -v " Passed " || true
    for name in $(printf '%s\n' "${!NOT_EMULATED[@]}" | sort); do
        echo "not run (emulated): $name: ${NOT_EMULATED[$name]}"
    done
    if [ $display = 0 ]; then
        for name in $(display_tests); do echo "not run (--no-display): $name"; done
    fi
    echo "the whole output: $log"
    return $status
}

if [ ${#run[@]} -gt 1 ]; then
    in_root --emulate "${run[@]:1}"
    exit
fi

start=$SECONDS
for phase in "${phases[@]}"; do
    case "$phase" in
    setup) step "arm64 set-up" setup ;;
    build) step "arm64 build" build ;;
    test) step "arm64 tests (emulated)" run_tests ;;
    esac
done
echo "== all: $((SECONDS - start)) s"
