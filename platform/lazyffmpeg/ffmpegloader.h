#ifndef FFMPEGLOADER_H
#define FFMPEGLOADER_H

#include <QString>
#include <QStringList>

// FFmpeg's libraries for the whole process, loaded once: libavutil, libswresample, libswscale, libavcodec,
// libavformat and libavdevice by the sonames of the headers the client was built with, every function of the
// stubs' table bound (see CMakeLists.txt) and the capture devices registered. The client starts the load on a
// thread of its own after the login window's first paint; every feature that needs FFmpeg asks ensureLoaded()
// first and, when it is false, tells the user and does without. A library that cannot be opened, or lacks a
// function that the build's library had, fails the load. A call into FFmpeg that bypassed the question and finds
// no function ends the process with a message, never with a core dump.
class FfmpegLoader
{
public:
    enum Status { NotStarted, Loading, Ready, Failed };

    static Status status();
    // Starts the load on a thread of its own, unless it has started already; returns at once.
    static void startInBackground();
    // Loads on this thread, or waits for the load under way; true when FFmpeg can be used.
    static bool ensureLoaded();
    // After a failed load: the library that cannot be opened or lacks a function (its soname), that function
    // (empty when the library itself is missing), and the system's reason.
    static QString missingLibrary();
    static QString missingFunction();
    static QString reason();
    // The sonames, in the order of loading.
    static QStringList libraries();
    // Writes the message to standard error and the log and ends the process at once, with status 127 (as the
    // dynamic loader does for a library missing at the start).
    [[noreturn]] static void endProcess(const QString &message);
};

// With VREK_LAZY_FFMPEG, made by CMake: the table's functions in its order, with the library of each (an index
// into FfmpegLoader::libraries(), 0 to 4).
namespace LazyFfmpeg {
extern const char *const symbolNames[];
extern const unsigned char symbolLibraries[];
extern const int symbolCount;
} // namespace LazyFfmpeg

#endif // FFMPEGLOADER_H
