# Every library the client, the updater and the tests link, found once.
find_package(Qt5 5.15 REQUIRED COMPONENTS Core Concurrent Gui Widgets Network Sql Xml Test Multimedia MultimediaWidgets
                                         WebKit WebKitWidgets LinguistTools)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
    libavformat libavcodec libavutil libswresample libswscale libavdevice libavfilter)
pkg_check_modules(LIBVLC REQUIRED IMPORTED_TARGET libvlc)
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
pkg_check_modules(WEBRTC_AP REQUIRED IMPORTED_TARGET webrtc-audio-processing)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
# The library under Qt's SQLite driver: why a statement failed (a full disk) is asked of it.
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
find_package(SDL2 REQUIRED)
find_package(tinyxml2 REQUIRED)
find_package(QuaZip-Qt5 REQUIRED)
