// FFmpeg bound at its first call: nothing of it is loaded before, and the first call of any shape reaches the real
// function with its arguments intact. Each first call runs in a child process of its own (this program, given
// the case's name), since only the first call in a process binds.
#include "platform/lazyffmpeg/ffmpegloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtTest>

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/rational.h>
}

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {
bool avutilMapped()
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libavutil.so");
}

// The body of one case, in the child; true when the call gave the right answer.
bool firstCall(const QByteArray &name)
{
    if (name == "double argument") {
        const AVRational q = av_d2q(0.75, 100);
        return q.num == 3 && q.den == 4;
    }
    if (name == "variadic with a double") {
        char *text = av_asprintf("%d-%s-%.1f-%lld", 7, "x", 2.5, 1LL << 40);
        const bool ok = text && std::strcmp(text, "7-x-2.5-1099511627776") == 0;
        av_free(text);
        return ok;
    }
    if (name == "four 64-bit arguments") {
        return av_rescale_rnd(1LL << 40, 3, 7, AV_ROUND_UP) == ((1LL << 40) * 3 + 6) / 7;
    }
    if (name == "many threads at once") {
        std::atomic<bool> go { false };
        std::atomic<int> right { 0 };
        std::vector<std::thread> threads;
        for (int i = 1; i <= 8; ++i) {
            threads.emplace_back([&, i] {
                while (!go.load())
                    std::this_thread::yield();
                if (av_gcd(6LL * i, 4LL * i) == 2LL * i)
                    right.fetch_add(1);
            });
        }
        go.store(true);
        for (std::thread &thread : threads)
            thread.join();
        return right.load() == 8;
    }
    return false;
}

int runChild(const QByteArray &name)
{
    if (avutilMapped() || FfmpegLoader::status() != FfmpegLoader::NotStarted) {
        std::fprintf(stderr, "FFmpeg was loaded before its first call\n");
        return 2;
    }
    if (!firstCall(name)) {
        std::fprintf(stderr, "the first call gave a wrong answer\n");
        return 3;
    }
    if (!avutilMapped() || FfmpegLoader::status() != FfmpegLoader::Ready) {
        std::fprintf(stderr, "FFmpeg is not loaded after its first call\n");
        return 4;
    }
    return 0;
}
} // namespace

class TestLazyFfmpeg : public QObject
{
    Q_OBJECT
private slots:
    void firstCallReachesTheRealFunction_data();
    void firstCallReachesTheRealFunction();
    void everyFunctionIsBound();
};

void TestLazyFfmpeg::firstCallReachesTheRealFunction_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char *name :
        { "double argument", "variadic with a double", "four 64-bit arguments", "many threads at once" })
        QTest::newRow(name) << QByteArray(name);
}

void TestLazyFfmpeg::firstCallReachesTheRealFunction()
{
    QFETCH(QByteArray, name);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { "--first-call", QString::fromLatin1(name) });
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

void TestLazyFfmpeg::everyFunctionIsBound()
{
    QVERIFY(FfmpegLoader::ensureLoaded());
    QVERIFY(LazyFfmpeg::symbolCount > 500);
    // The ones the client calls, among them one of each library.
    QStringList names;
    for (int i = 0; i < LazyFfmpeg::symbolCount; ++i)
        names << QString::fromLatin1(LazyFfmpeg::symbolNames[i]);
    for (const char *name :
        { "av_frame_alloc", "swr_convert", "sws_scale", "avcodec_send_packet", "avformat_open_input", "av_log" })
        QVERIFY2(names.contains(QLatin1String(name)), name);
    QCOMPARE(av_gcd(12, 18), int64_t(6));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--first-call") == 0)
        return runChild(argv[2]);
    QCoreApplication application(argc, argv);
    TestLazyFfmpeg test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lazyffmpeg.moc"
