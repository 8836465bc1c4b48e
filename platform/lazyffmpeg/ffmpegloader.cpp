#include "platform/lazyffmpeg/ffmpegloader.h"

#include <libavcodec/version_major.h>
#include <libavdevice/version_major.h>
#include <libavformat/version_major.h>
#include <libavutil/version.h>
#include <libswresample/version_major.h>
#include <libswscale/version.h>

#include <QDebug>

#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#define VREK_STRINGIFY2(x) #x
#define VREK_STRINGIFY(x) VREK_STRINGIFY2(x)

#ifdef VREK_LAZY_FFMPEG
extern "C" void *vrek_ffmpeg_table[];
#endif

namespace {
// The order of the CMake list that made the table, then the device library.
const char *const sonames[] = {
    "libavutil.so." VREK_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libswresample.so." VREK_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
    "libswscale.so." VREK_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libavcodec.so." VREK_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." VREK_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
    "libavdevice.so." VREK_STRINGIFY(LIBAVDEVICE_VERSION_MAJOR),
};
constexpr int sonameCount = sizeof(sonames) / sizeof(sonames[0]);
constexpr int deviceLibrary = sonameCount - 1;

struct State
{
    std::once_flag once;
    std::atomic<int> status { FfmpegLoader::NotStarted };
    // Written before the status turns to Failed, read after.
    QString library;
    QString function;
    QString reason;
    std::mutex workerLock;
    std::thread worker;

    // A load under way at the end of the program is waited for: it may be inside the dynamic loader.
    ~State()
    {
        std::lock_guard<std::mutex> locker(workerLock);
        if (worker.joinable())
            worker.join();
    }
};

State &state()
{
    static State instance;
    return instance;
}

void fail(const QString &library, const QString &function, const QString &reason)
{
    State &s = state();
    s.library = library;
    s.function = function;
    s.reason = reason;
    qCritical().noquote() << "FFmpeg cannot be loaded:" << library << (function.isEmpty() ? QString() : function)
                          << reason;
    s.status.store(FfmpegLoader::Failed, std::memory_order_release);
}

void load()
{
    State &s = state();
    s.status.store(FfmpegLoader::Loading);
    // Tests: the library (a soname) or function that the load is to find missing.
    const QByteArray missing = qgetenv("TAVI_TEST_FFMPEG_MISSING");
    void *handles[sonameCount] = {};
    for (int i = 0; i < sonameCount; ++i) {
        const QByteArray name = sonames[i];
        handles[i]
            = dlopen(name == missing ? (name + ".missing").constData() : name.constData(), RTLD_NOW | RTLD_GLOBAL);
        if (!handles[i])
            return fail(QString::fromLatin1(name), QString(), QString::fromLocal8Bit(dlerror()));
    }
#ifdef VREK_LAZY_FFMPEG
    // Bound all at once or not at all: a half-filled table would let calls through that the failure refused.
    std::vector<void *> functions(static_cast<size_t>(LazyFfmpeg::symbolCount));
    for (int i = 0; i < LazyFfmpeg::symbolCount; ++i) {
        const int library = LazyFfmpeg::symbolLibraries[i];
        const QByteArray name = LazyFfmpeg::symbolNames[i];
        functions[size_t(i)] = library < sonameCount && name != missing ? dlsym(handles[library], name) : nullptr;
        if (!functions[size_t(i)])
            return fail(QString::fromLatin1(sonames[library < sonameCount ? library : 0]), QString::fromLatin1(name),
                QStringLiteral("the library has no such function"));
    }
    for (int i = 0; i < LazyFfmpeg::symbolCount; ++i)
        __atomic_store_n(&vrek_ffmpeg_table[i], functions[size_t(i)], __ATOMIC_RELEASE);
#endif
    // The device library brings some fifty libraries of its own (filters, device back-ends).
    const QByteArray registerName = "avdevice_register_all";
    auto registerAll
        = registerName != missing ? reinterpret_cast<void (*)()>(dlsym(handles[deviceLibrary], registerName)) : nullptr;
    if (!registerAll)
        return fail(QString::fromLatin1(sonames[deviceLibrary]), QString::fromLatin1(registerName),
            QStringLiteral("the library has no such function"));
    registerAll();
    qInfo() << "FFmpeg is loaded";
    s.status.store(FfmpegLoader::Ready, std::memory_order_release);
}
} // namespace

FfmpegLoader::Status FfmpegLoader::status()
{
    return Status(state().status.load(std::memory_order_acquire));
}

void FfmpegLoader::startInBackground()
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.workerLock);
    if (s.worker.joinable() || status() != NotStarted)
        return;
    s.worker = std::thread([] { std::call_once(state().once, load); });
}

bool FfmpegLoader::ensureLoaded()
{
    std::call_once(state().once, load);
    return status() == Ready;
}

QString FfmpegLoader::missingLibrary()
{
    return status() == Failed ? state().library : QString();
}

QString FfmpegLoader::missingFunction()
{
    return status() == Failed ? state().function : QString();
}

QString FfmpegLoader::reason()
{
    return status() == Failed ? state().reason : QString();
}

QStringList FfmpegLoader::libraries()
{
    QStringList names;
    for (const char *name : sonames)
        names << QString::fromLatin1(name);
    return names;
}

void FfmpegLoader::endProcess(const QString &message)
{
    const QByteArray text = message.toLocal8Bit();
    std::fprintf(stderr, "%s\n", text.constData());
    std::fflush(stderr);
    qCritical().noquote() << message;
    _exit(127);
}

#ifdef VREK_LAZY_FFMPEG
// Called by the binder, with the caller's registers saved, for the function of that index: a call that came
// before the load (or bypassed the question) loads here, on its own thread, and goes on only when it is bound.
extern "C" __attribute__((visibility("hidden"))) void vrek_ffmpeg_load(long index)
{
    const bool loaded = FfmpegLoader::ensureLoaded();
    const bool known = index >= 0 && index < LazyFfmpeg::symbolCount;
    if (loaded && known)
        return;
    const QString function = known ? QString::fromLatin1(LazyFfmpeg::symbolNames[index]) : QStringLiteral("?");
    QString why = known ? QStringLiteral("no such function") : QStringLiteral("no such index");
    if (!loaded)
        why = QStringLiteral("%1 %2 %3")
                  .arg(FfmpegLoader::missingLibrary(), FfmpegLoader::missingFunction(), FfmpegLoader::reason())
                  .simplified();
    FfmpegLoader::endProcess(
        QStringLiteral("FFmpeg's %1 cannot be called (%2): the program ends. Reinstall the program.")
            .arg(function, why));
}
#endif
