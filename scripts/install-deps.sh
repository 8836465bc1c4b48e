#!/usr/bin/env bash
# Installs every Debian package the client, the updater and the tests need.
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

PACKAGES=(
    g++ cmake make pkg-config ccache clang libfuzzer-14-dev libclang-rt-14-dev
    qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools libqt5sql5-sqlite libqt5svg5-dev
    qtmultimedia5-dev libqt5multimedia5-plugins libqt5webkit5-dev qttranslations5-l10n
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev libavdevice-dev libavfilter-dev
    libsdl2-dev libvlc-dev vlc-plugin-base libvlc-bin
    libquazip1-qt5-dev libtinyxml2-dev libqrencode-dev libwebrtc-audio-processing-dev libpulse-dev libasound2-dev
    libxcb1-dev
    xvfb xauth x11-utils openbox imagemagick ffmpeg nginx libnginx-mod-rtmp fonts-wqy-microhei zip unzip
)
# Needed by the tests only: zbar-tools reads QR codes; pulseaudio is a private sound server (null sink, sine
# source) that each test starts itself, and pactl changes its devices while a test runs.
TEST_PACKAGES=(
    zbar-tools pulseaudio pulseaudio-utils
)
PACKAGES+=("${TEST_PACKAGES[@]}")

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "Installing ${#missing[@]} packages: ${missing[*]}"
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# nginx's package starts a system service on port 80; the tests run their own instances.
if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet nginx 2>/dev/null; then
    $SUDO systemctl stop nginx || true
fi
