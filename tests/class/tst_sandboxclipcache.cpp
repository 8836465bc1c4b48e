// The sandbox's clips with a cache folder: a second start takes them from the cache without the ffmpeg tool, and
// still serves the recordings' clip, shares the course video and leaves the lecturer's recording; a first start
// whose tool fails, is killed or is stopped with the sandbox leaves no entry; a cache that cannot be written makes
// the clips as without one.
#include "sandbox/classroomsandbox.h"
#include "sandbox/clipmaker.h"
#include "sandbox/coursefilescene.h"
#include "sandbox/filescene.h"
#include "sandbox/reviewscene.h"
#include "tests/support/tempworkdir.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <quazip/JlCompress.h>

#include <csignal>

namespace {
// Making a clip on a busy machine.
const int makeMs = 90000;

// The PATH the sandbox's start sees: the scenes start their tools within it.
class PathForStart
{
public:
    explicit PathForStart(const QByteArray &path)
        : m_saved(qgetenv("PATH"))
    {
        qputenv("PATH", path);
    }
    ~PathForStart() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray fetch(const QString &url)
{
    QNetworkAccessManager network;
    QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(30000) || reply->error() != QNetworkReply::NoError)
        return QByteArray();
    return reply->readAll();
}

// The cache's one entry whose name starts so ("review-clip-" ...), parts aside.
QString entryOf(const QString &cacheDir, const QString &start)
{
    QStringList found = QDir(cacheDir).entryList({ start + "*" }, QDir::Files);
    found = found.filter(QRegularExpression("^[^.]*\\.[^.]*$"));
    return found.size() == 1 ? QDir(cacheDir).filePath(found.first()) : QString();
}

// The course video as the file scene shares it: the clip in its zipped folder.
QByteArray sharedCourseVideo(ClassroomSandbox &sandbox)
{
    for (const FileScene::SharedFile &file : FileScene::of(&sandbox)->sharedFiles()) {
        if (file.fileName != QString::fromUtf8("分数动画.mp4"))
            continue;
        QTemporaryDir dir;
        QFile zip(dir.filePath("clip.zip"));
        if (!zip.open(QIODevice::WriteOnly) || zip.write(file.content) != file.content.size())
            return QByteArray();
        zip.close();
        const QString clip = JlCompress::extractFile(zip.fileName(), "clip.mp4", dir.filePath("clip.mp4"));
        return clip.isEmpty() ? QByteArray() : readFile(clip);
    }
    return QByteArray();
}

// Waits until both clips are made.
bool waitForClips(ClassroomSandbox &sandbox)
{
    ReviewScene *review = ReviewScene::of(&sandbox);
    auto *course = sandbox.findChild<CourseFileScene *>();
    QElapsedTimer waited;
    waited.start();
    while (!(review->clipReady() && course->isReady()) && waited.elapsed() < makeMs)
        QTest::qWait(50);
    return review->clipReady() && course->isReady() && !course->fileIdOfType(3).isEmpty();
}
} // namespace

class TestSandboxClipCache : public QObject
{
    Q_OBJECT
private slots:
    void secondStartTakesTheClipsFromTheCache();
    void unfinishedFirstStartLeavesNoEntry_data();
    void unfinishedFirstStartLeavesNoEntry();
    void partsOfGoneSandboxesAreRemoved();
    void unwritableCacheMakesTheClipsAsWithout();
};

void TestSandboxClipCache::secondStartTakesTheClipsFromTheCache()
{
    TempWorkDir work;
    QTemporaryDir cache;
    QTemporaryDir firstData;
    QTemporaryDir secondData;
    QTemporaryDir noTools;
    QByteArray clip;
    const int startsBefore = ClipMaker::toolStarts();
    {
        ClassroomSandbox sandbox;
        sandbox.setCacheDir(cache.path());
        sandbox.setDataDir(firstData.path());
        QVERIFY(sandbox.start());
        QCOMPARE(ClipMaker::toolStarts() - startsBefore, 3);
        QVERIFY(!ReviewScene::of(&sandbox)->seededRecording().isEmpty());
        QVERIFY(waitForClips(sandbox));
        clip = fetch(ReviewScene::of(&sandbox)->clipUrl());
        QVERIFY(!clip.isEmpty());
    }
    // Whole entries only, no part left.
    QCOMPARE(QDir(cache.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    const QString recordingEntry = entryOf(cache.path(), "recording-");
    const QString clipEntry = entryOf(cache.path(), "review-clip-");
    const QString courseEntry = entryOf(cache.path(), "course-clip-");
    QVERIFY(!recordingEntry.isEmpty() && !clipEntry.isEmpty() && !courseEntry.isEmpty());
    QCOMPARE(readFile(clipEntry), clip);

    const int startsAfterFirst = ClipMaker::toolStarts();
    ClassroomSandbox sandbox;
    sandbox.setCacheDir(cache.path());
    sandbox.setDataDir(secondData.path());
    {
        PathForStart noFfmpeg(noTools.path().toLocal8Bit());
        QVERIFY(sandbox.start());
    }
    QCOMPARE(ClipMaker::toolStarts(), startsAfterFirst);
    ReviewScene *review = ReviewScene::of(&sandbox);
    auto *course = sandbox.findChild<CourseFileScene *>();
    // Ready from the event loop, as when a tool ends: who connects after the start hears it.
    QVERIFY(!review->clipReady());
    QVERIFY(!course->isReady());
    QSignalSpy made(review, &ReviewScene::clipMade);
    QSignalSpy ready(course, &CourseFileScene::filesReady);
    QVERIFY(made.wait(30000));
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 30000);
    QCOMPARE(made.count(), 1);

    QCOMPARE(fetch(review->clipUrl()), clip);
    QCOMPARE(course->fileIds().size(), 3);
    QVERIFY(!course->fileIdOfType(3).isEmpty());
    QCOMPARE(sharedCourseVideo(sandbox), readFile(courseEntry));
    const QString recording = review->seededRecording();
    QVERIFY(!recording.isEmpty());
    QCOMPARE(readFile(secondData.filePath("media/" + recording)), readFile(recordingEntry));
}

void TestSandboxClipCache::unfinishedFirstStartLeavesNoEntry_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QString>("ending");
    // Each writes part of its output (the last argument) first.
    const QByteArray start = "#!/bin/sh\nfor a; do out=$a; done\nprintf partial > \"$out\"\necho $$ >> \"$0.pids\"\n";
    QTest::newRow("tool fails") << start + "exit 1\n"
                                << "fails";
    QTest::newRow("tool killed") << start + "exec sleep 600\n"
                                 << "killed";
    QTest::newRow("sandbox stopped while making") << start + "exec sleep 600\n"
                                                  << "stopped";
}

void TestSandboxClipCache::unfinishedFirstStartLeavesNoEntry()
{
    QFETCH(QByteArray, tool);
    QFETCH(QString, ending);
    QTemporaryDir cache;
    QTemporaryDir tools;
    QFile script(tools.filePath("ffmpeg"));
    QVERIFY(script.open(QIODevice::WriteOnly) && script.write(tool) == tool.size());
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeUser));
    const QString pids = script.fileName() + ".pids";
    {
        ClassroomSandbox sandbox;
        sandbox.setCacheDir(cache.path());
        {
            PathForStart fake(tools.path().toLocal8Bit() + ":" + qgetenv("PATH"));
            QVERIFY(sandbox.start());
        }
        const QList<ClipMaker *> makers = sandbox.findChildren<ClipMaker *>();
        QCOMPARE(makers.size(), 2);
        QSignalSpy first(makers.at(0), &ClipMaker::finished);
        QSignalSpy second(makers.at(1), &ClipMaker::finished);
        // Both tools have written their part.
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(readFile(pids)).split('\n', Qt::SkipEmptyParts).size(), 2, 30000);
        // A failing tool's part may be gone already; a sleeping one's is there until it ends.
        if (ending != "fails")
            QCOMPARE(QDir(cache.path()).entryList({ "*.part*" }, QDir::Files).size(), 2);
        if (ending == "killed") {
            for (const QString &pid : QString::fromLatin1(readFile(pids)).split('\n', Qt::SkipEmptyParts))
                QCOMPARE(::kill(pid.toInt(), SIGKILL), 0);
        }
        if (ending != "stopped") {
            QTRY_VERIFY_WITH_TIMEOUT(first.count() == 1 && second.count() == 1, 30000);
            QCOMPARE(first.first().first().toBool(), false);
            QCOMPARE(second.first().first().toBool(), false);
            QVERIFY(!ReviewScene::of(&sandbox)->clipReady());
            QVERIFY(sandbox.findChild<CourseFileScene *>()->isReady());
        }
    }
    QCOMPARE(QDir(cache.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // The next start makes them anew.
    const int startsBefore = ClipMaker::toolStarts();
    ClassroomSandbox sandbox;
    sandbox.setCacheDir(cache.path());
    QVERIFY(sandbox.start());
    QCOMPARE(ClipMaker::toolStarts() - startsBefore, 2);
    QVERIFY(waitForClips(sandbox));
    QVERIFY(!fetch(ReviewScene::of(&sandbox)->clipUrl()).isEmpty());
    QVERIFY(!entryOf(cache.path(), "review-clip-").isEmpty());
    QVERIFY(!entryOf(cache.path(), "course-clip-").isEmpty());
}

void TestSandboxClipCache::partsOfGoneSandboxesAreRemoved()
{
    QTemporaryDir cache;
    QTemporaryDir tools;
    QFile script(tools.filePath("ffmpeg"));
    const QByteArray sleeper = "#!/bin/sh\necho $$ >> \"$0.pids\"\nexec sleep 600\n";
    QVERIFY(script.open(QIODevice::WriteOnly) && script.write(sleeper) == sleeper.size());
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeUser));
    // The names this process's parts have.
    QStringList parts;
    {
        ClassroomSandbox sandbox;
        sandbox.setCacheDir(cache.path());
        {
            PathForStart fake(tools.path().toLocal8Bit() + ":" + qgetenv("PATH"));
            QVERIFY(sandbox.start());
        }
        parts = QDir(cache.path()).entryList({ "*.part*" }, QDir::Files);
    }
    QCOMPARE(parts.size(), 2);
    // The same parts as a sandbox killed outright leaves them, and those of one that still runs (init's id).
    QProcess gone;
    gone.start("sh", { "-c", "echo $$" });
    QVERIFY(gone.waitForFinished(10000));
    const int goneId = gone.readAllStandardOutput().trimmed().toInt();
    QVERIFY(goneId > 0);
    const QString ownId = QString(".part%1.").arg(QCoreApplication::applicationPid());
    QVERIFY(parts.first().contains(ownId));
    QStringList stale;
    QStringList running;
    for (const QString &part : parts) {
        stale << QString(part).replace(ownId, QString(".part%1.").arg(goneId));
        running << QString(part).replace(ownId, ".part1.");
    }
    for (const QString &name : stale + running) {
        QFile file(cache.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("partial") == 7);
    }

    ClassroomSandbox sandbox;
    sandbox.setCacheDir(cache.path());
    QVERIFY(sandbox.start());
    QVERIFY(waitForClips(sandbox));
    QStringList left = QDir(cache.path()).entryList({ "*.part*" }, QDir::Files);
    left.sort();
    running.sort();
    QCOMPARE(left, running);
    QVERIFY(!entryOf(cache.path(), "review-clip-").isEmpty());
    QVERIFY(!entryOf(cache.path(), "course-clip-").isEmpty());
}

void TestSandboxClipCache::unwritableCacheMakesTheClipsAsWithout()
{
    QTemporaryDir dir;
    // A file where the folder should be.
    const QString cache = dir.filePath("cache");
    QFile blocker(cache);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const int startsBefore = ClipMaker::toolStarts();
    ClassroomSandbox sandbox;
    sandbox.setCacheDir(cache);
    QVERIFY(sandbox.start());
    QCOMPARE(ClipMaker::toolStarts() - startsBefore, 2);
    QVERIFY(waitForClips(sandbox));
    QVERIFY(!fetch(ReviewScene::of(&sandbox)->clipUrl()).isEmpty());
    QVERIFY(!sharedCourseVideo(sandbox).isEmpty());
}

QTEST_MAIN(TestSandboxClipCache)
#include "tst_sandboxclipcache.moc"
