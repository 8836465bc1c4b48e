#ifndef LAZYFFMPEG_H
#define LAZYFFMPEG_H

// The FFmpeg libraries, opened at the first call of any of their functions (see CMakeLists.txt).
namespace LazyFfmpeg {
// Every exported function of the libraries, in the order of the jump table, with the library that holds it
// (libavutil, libswresample, libswscale, libavcodec, libavformat: 0 to 4).
extern const char *const symbolNames[];
extern const unsigned char symbolLibraries[];
extern const int symbolCount;

// Opens the libraries and binds every function; once, whichever thread calls first. A library that cannot be
// opened ends the process with the reason, as a missing library at the start would have.
void load();
// Whether load() has run.
bool loaded();
} // namespace LazyFfmpeg

#endif // LAZYFFMPEG_H
