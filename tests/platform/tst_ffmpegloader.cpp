// The one loader of FFmpeg for the process: it loads aside when asked to, names the library or function it cannot
// find (the test switch TAVI_TEST_FFMPEG_MISSING makes it look for a name that does not exist), and a call into
// FFmpeg that bypasses it ends the process with a message and a status, not a core dump. Each case runs in a child
// process of its own (this program, given the case), since a process loads once.
#include "platform/lazyffmpeg/ffmpegloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <cstdio>
#include <cstring>

namespace {
bool mapped(const char *library)
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

int fails(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    return 2;
}

// The child's side of each case: 0 when it went as the case expects.
int runChild(const QByteArray &name, const QByteArray &library, const QByteArray &function)
{
    if (name == "background") {
        if (FfmpegLoader::status() != FfmpegLoader::NotStarted)
            return fails("loaded before it was asked to");
        FfmpegLoader::startInBackground();
        QElapsedTimer clock;
        clock.start();
        while (FfmpegLoader::status() != FfmpegLoader::Ready && clock.elapsed() < 120000) {
            if (FfmpegLoader::status() == FfmpegLoader::Failed)
                return fails("the load failed");
            QThread::msleep(5);
        }
        if (FfmpegLoader::status() != FfmpegLoader::Ready || !mapped("libavdevice.so"))
            return fails("not loaded aside");
        // The devices are registered: the input formats of libavdevice are known.
        return av_find_input_format("lavfi") ? 0 : fails("no devices");
    }
    if (name == "missing") {
        if (FfmpegLoader::ensureLoaded() || FfmpegLoader::status() != FfmpegLoader::Failed)
            return fails("loaded all the same");
        if (FfmpegLoader::missingLibrary().toLatin1() != library
            || FfmpegLoader::missingFunction().toLatin1() != function)
            return fails(
                qPrintable("wrong name: " + FfmpegLoader::missingLibrary() + " " + FfmpegLoader::missingFunction()));
        return FfmpegLoader::reason().isEmpty() ? fails("no reason") : 0;
    }
    if (name == "bypass") {
        // Called with no question asked: the process ends here.
        std::printf("%lld\n", static_cast<long long>(av_gcd(12, 18)));
        return 0;
    }
    return fails("no such case");
}

struct Child
{
    int code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QByteArray errors;
};

Child runCase(const QByteArray &name, const QByteArray &missing, const QByteArray &library = QByteArray(),
    const QByteArray &function = QByteArray())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("TAVI_TEST_FFMPEG_MISSING");
    if (!missing.isEmpty())
        environment.insert("TAVI_TEST_FFMPEG_MISSING", QString::fromLatin1(missing));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(),
        { "--case", QString::fromLatin1(name), QString::fromLatin1(library), QString::fromLatin1(function) });
    Child child;
    if (!process.waitForFinished(180000))
        return child;
    child.code = process.exitCode();
    child.status = process.exitStatus();
    child.errors = process.readAllStandardError();
    return child;
}

QByteArray soname(int index)
{
    return FfmpegLoader::libraries().at(index).toLatin1();
}
} // namespace

class TestFfmpegLoader : public QObject
{
    Q_OBJECT
private slots:
    void loadsAsideWithTheDevices();
    void namesWhatItCannotFind_data();
    void namesWhatItCannotFind();
    void aCallPastAFailedLoadEndsWithAMessage();
};

void TestFfmpegLoader::loadsAsideWithTheDevices()
{
    const Child child = runCase("background", QByteArray());
    QVERIFY2(child.status == QProcess::NormalExit && child.code == 0, child.errors.constData());
}

void TestFfmpegLoader::namesWhatItCannotFind_data()
{
    QTest::addColumn<QByteArray>("missing");
    QTest::addColumn<QByteArray>("library");
    QTest::addColumn<QByteArray>("function");
    QTest::newRow("libavutil") << soname(0) << soname(0) << QByteArray();
    QTest::newRow("libavcodec") << soname(3) << soname(3) << QByteArray();
    QTest::newRow("libavdevice") << soname(5) << soname(5) << QByteArray();
    QTest::newRow("a device function") << QByteArray("avdevice_register_all") << soname(5)
                                       << QByteArray("avdevice_register_all");
#ifdef VREK_LAZY_FFMPEG_TEST
    QTest::newRow("a codec function") << QByteArray("avcodec_send_packet") << soname(3)
                                      << QByteArray("avcodec_send_packet");
#endif
}

void TestFfmpegLoader::namesWhatItCannotFind()
{
    QFETCH(QByteArray, missing);
    QFETCH(QByteArray, library);
    QFETCH(QByteArray, function);
    const Child child = runCase("missing", missing, library, function);
    QVERIFY2(child.status == QProcess::NormalExit && child.code == 0, child.errors.constData());
    // The log line names what is missing.
    QVERIFY2(child.errors.contains("FFmpeg cannot be loaded: " + library), child.errors.constData());
}

void TestFfmpegLoader::aCallPastAFailedLoadEndsWithAMessage()
{
#ifndef VREK_LAZY_FFMPEG_TEST
    QSKIP("FFmpeg is linked in the ordinary way: the dynamic loader answers for a missing library at the start");
#endif
    const Child child = runCase("bypass", soname(3));
    QCOMPARE(child.status, QProcess::NormalExit);
    QCOMPARE(child.code, 127);
    QVERIFY2(child.errors.contains("FFmpeg's av_gcd cannot be called"), child.errors.constData());
    QVERIFY2(child.errors.contains(soname(3)), child.errors.constData());
}

int main(int argc, char *argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "--case") == 0)
        return runChild(argv[2], argv[3], argv[4]);
    QCoreApplication application(argc, argv);
    TestFfmpegLoader test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ffmpegloader.moc"
