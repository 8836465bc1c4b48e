#include "platform/lazyffmpeg/lazyffmpeg.h"

#include <libavcodec/version_major.h>
#include <libavformat/version_major.h>
#include <libavutil/version.h>
#include <libswresample/version_major.h>
#include <libswscale/version.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>

#define VREK_STRINGIFY2(x) #x
#define VREK_STRINGIFY(x) VREK_STRINGIFY2(x)

extern "C" void *vrek_ffmpeg_table[];

namespace {
// The order of the CMake list that made the table.
const char *const sonames[] = {
    "libavutil.so." VREK_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libswresample.so." VREK_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
    "libswscale.so." VREK_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libavcodec.so." VREK_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." VREK_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
};
constexpr int sonameCount = sizeof(sonames) / sizeof(sonames[0]);

std::once_flag once;
std::atomic<bool> done { false };
bool *bound = nullptr;

[[noreturn]] void fail(const char *what, const char *name, const char *reason)
{
    std::fprintf(stderr, "FFmpeg: %s %s: %s\n", what, name, reason ? reason : "not found");
    std::abort();
}

void bind()
{
    bound = new bool[LazyFfmpeg::symbolCount]();
    void *handles[sonameCount] = {};
    for (int i = 0; i < sonameCount; ++i) {
        handles[i] = dlopen(sonames[i], RTLD_NOW | RTLD_GLOBAL);
        if (!handles[i])
            fail("cannot open", sonames[i], dlerror());
    }
    for (int i = 0; i < LazyFfmpeg::symbolCount; ++i) {
        const int library = LazyFfmpeg::symbolLibraries[i];
        if (library >= sonameCount)
            fail("no library for", LazyFfmpeg::symbolNames[i], nullptr);
        void *function = dlsym(handles[library], LazyFfmpeg::symbolNames[i]);
        // A function the installed library no longer has keeps its binding stub: called, it ends the process.
        if (!function)
            continue;
        bound[i] = true;
        __atomic_store_n(&vrek_ffmpeg_table[i], function, __ATOMIC_RELEASE);
    }
    done.store(true, std::memory_order_release);
}
} // namespace

void LazyFfmpeg::load()
{
    std::call_once(once, bind);
}

bool LazyFfmpeg::loaded()
{
    return done.load(std::memory_order_acquire);
}

// Called by the binding stub, with the caller's registers saved, for the function of that index.
extern "C" __attribute__((visibility("hidden"))) void vrek_ffmpeg_load(long index)
{
    LazyFfmpeg::load();
    if (index < 0 || index >= LazyFfmpeg::symbolCount || !bound[index])
        fail("the installed libraries have no function",
            index >= 0 && index < LazyFfmpeg::symbolCount ? LazyFfmpeg::symbolNames[index] : "?", nullptr);
}
