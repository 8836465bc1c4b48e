#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "updater/holtupdate.h"
#include "updater/progressview.h"

#include <QCryptographicHash>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace {
// Records what the flow asks of its window, from whichever thread it asks.
class RecordingView : public ZR::ProgressView
{
public:
    void openWindow(const std::string &version) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        events << "open " + QString::fromStdString(version);
    }
    void setProgress(float ratio) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ratios << ratio;
    }
    void closeWindow() override
    {
        std::lock_guard<std::mutex> lock(mutex);
        events << "close";
    }
    std::mutex mutex;
    QStringList events;
    QList<float> ratios;
};

QByteArray manifestFor(const QByteArray &content)
{
    const QByteArray md5 = QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex();
    return "<AutoUpdater><Complete><eachFile dllPath=\".\\\\big.so\"/></Complete>"
           "<Files version=\"2.1.7\"><file name=\".\\\\big.so\" md5=\""
        + md5 + "\"/></Files></AutoUpdater>";
}
} // namespace

// The flow in this process, for what a process run cannot show: what it tells its window.
class TestHoltupdateFlow : public QObject
{
    Q_OBJECT
private slots:
    void progressIsPassedOnEvery601stChunkAndAtTheEnd_data();
    void progressIsPassedOnEvery601stChunkAndAtTheEnd();
};

void TestHoltupdateFlow::progressIsPassedOnEvery601stChunkAndAtTheEnd_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("three chunks") << 3000;
    QTest::newRow("about 1300 chunks") << 1300 * 1024;
}

void TestHoltupdateFlow::progressIsPassedOnEvery601stChunkAndAtTheEnd()
{
    QFETCH(int, size);
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray content(size, 'z');
    FakeHttpServer::Reply file;
    file.ranges = true;
    file.body = content;
    server.setReply("/up/student/files/big.so", file);
    FakeHttpServer::Reply xml = file;
    xml.body = manifestFor(content);
    server.setReply("/up/student/files/filelist.xml", xml);

    Holtupdate::Settings settings;
    settings.lockPath = dir.filePath("Holtapdate.lock").toStdString();
    settings.limits.retryWaitMs = 10;
    Holtupdate updater(settings);
    RecordingView view;
    updater.setProgressView(&view);
    const std::string url = "-url:" + server.baseUrl().toStdString() + "/up";
    const char *arguments[] = { "Holtupdate", url.c_str() };
    updater.readCommandLine(2, arguments);
    std::atomic<bool> done { false };
    std::thread flow([&] {
        updater.startUpdate();
        done = true;
    });
    while (!done)
        QTest::qWait(2);
    flow.join();

    QCOMPARE(updater.exitCode(), 0);
    QFile installed("big.so");
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QCOMPARE(installed.readAll(), content);
    QCOMPARE(view.events, QStringList({ "open 2.1.7", "close" }));
    QVERIFY(!view.ratios.isEmpty());
    QCOMPARE(view.ratios.last(), 1.0f);
    if (size < 601 * 1024) {
        QCOMPARE(view.ratios.size(), 1); // only the last byte of the run
    } else {
        // About 1300 chunks: the 601st, the 1202nd and the last pass a ratio on, not every chunk.
        QVERIFY2(view.ratios.size() >= 2 && view.ratios.size() <= 10, qPrintable(QString::number(view.ratios.size())));
        QVERIFY(view.ratios.first() <= 601.0f * 1024 / size + 1e-6f);
    }
    QVERIFY(std::is_sorted(view.ratios.begin(), view.ratios.end()));
}

QTEST_GUILESS_MAIN(TestHoltupdateFlow)
#include "tst_holtupdateflow.moc"
