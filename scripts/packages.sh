# Sourced by the scripts: every Debian package the client, the updater and the tests need, and the check that
# finds them all installed without asking dpkg.

PACKAGES=(
    g++ cmake ninja-build make pkg-config ccache clang libfuzzer-14-dev libclang-rt-14-dev
    qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools libqt5sql5-sqlite libsqlite3-dev libqt5svg5-dev
    qtmultimedia5-dev libqt5multimedia5-plugins libqt5webkit5-dev qttranslations5-l10n
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev libavdevice-dev libavfilter-dev
    libsdl2-dev libvlc-dev vlc-plugin-base libvlc-bin
    libquazip1-qt5-dev libtinyxml2-dev libqrencode-dev libwebrtc-audio-processing-dev libpulse-dev libasound2-dev
    libxcb1-dev
    xvfb xauth x11-utils openbox imagemagick ffmpeg nginx libnginx-mod-rtmp fonts-wqy-microhei zip unzip
)
# Needed by the tests only: zbar-tools reads QR codes; pulseaudio is a private sound server (null sink, sine
# source) that each test starts itself, and pactl changes its devices while a test runs; the window tests run
# under xfwm4 and metacity as well as openbox, and those two read their settings over a session bus of their own
# (dbus-daemon).
TEST_PACKAGES=(
    zbar-tools pulseaudio pulseaudio-utils xfwm4 metacity dbus-daemon
)
PACKAGES+=("${TEST_PACKAGES[@]}")

# A check that found everything leaves a stamp with the list; while dpkg has changed nothing since, and the list
# is the same, there is nothing to ask.
stamp=${XDG_CACHE_HOME:-$HOME/.cache}/tavi-install-deps.ok
list="${PACKAGES[*]}"
# Builtins only: the run script makes this check at every start.
packages_checked() {
    local line=
    [ "$stamp" -nt /var/lib/dpkg/status ] && read -r line <"$stamp" 2>/dev/null && [ "$line" = "$list" ]
}

