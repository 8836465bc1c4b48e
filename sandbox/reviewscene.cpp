#include "sandbox/reviewscene.h"

#include "sandbox/classroomsandbox.h"
#include "sandbox/clipmaker.h"
#include "sandbox/filescene.h"
#include "tests/support/mediaclip.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/model/transferfile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

const QByteArray ReviewScene::clipPath = "/review/clip.mp4";

namespace {
const char *const timeFormat = "yyyy-MM-dd HH:mm:ss";
// The recordings' lesson part: the first lesson's id, as the lecturer's push stream would carry it.
const char *const recordedLesson = "3101";

QByteArray listReply(const QJsonArray &body)
{
    return QJsonDocument(
        QJsonObject { { "loginStatus", "0" }, { "requestStatus", "success" }, { "requestBody", body } })
        .toJson(QJsonDocument::Compact);
}

// The series' lessons were taught once a week from the start of the term.
QDateTime lessonTime(int number)
{
    return QDateTime(QDate(2025, 9, 1), QTime(8, 0)).addDays(7 * (number - 1));
}
} // namespace

ReviewScene::ReviewScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{
    m_series.append({ 801, QString::fromUtf8("分数的初步认识"), QString::fromUtf8("数学"), QString::fromUtf8("王老师"),
        4, longSeriesLessons });
    m_series.append(
        { 802, QString::fromUtf8("英语口语练习"), QString::fromUtf8("英语"), QString::fromUtf8("陈老师"), 8, 7 });
    m_series.append(
        { 803, QString::fromUtf8("古诗词诵读"), QString::fromUtf8("语文"), QString::fromUtf8("李老师"), 0, 12 });
    m_series.append(
        { 804, QString::fromUtf8("趣味科学实验"), QString::fromUtf8("科学"), QString::fromUtf8("赵老师"), 2, 5 });
}

ReviewScene::~ReviewScene()
{
    // The sandbox's servers may be gone already: a clip finished now goes nowhere.
    delete m_clipMaker;
}

ReviewScene *ReviewScene::of(ClassroomSandbox *sandbox)
{
    return sandbox ? sandbox->findChild<ReviewScene *>() : nullptr;
}

bool ReviewScene::install()
{
    FakeHttpServer *http = sandbox()->http();
    http->setHandler("/mobile/courseReview", [this](const FakeHttpServer::Request &request) {
        lecturerLooks();
        FakeHttpServer::Reply reply;
        reply.body = courseReviewReply(request.form.value("lessonType"), request.form.value("pageIndex"));
        return reply;
    });
    http->setHandler("/mobile/lessonList", [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = lessonListReply(request.form.value("id").toLongLong(), request.form.value("pageIndex").toInt(),
            request.form.value("countIndex").toInt(), request.form.value("sortByTimes"));
        return reply;
    });
    http->setHandler("/mobile/delVideo", [](const FakeHttpServer::Request &) {
        FakeHttpServer::Reply reply;
        reply.body = listReply(QJsonArray { QJsonObject { { "result", 1 } } });
        return reply;
    });
    http->setHandler("/lesson/review/getVideoUrl", [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = videoUrlReply(request.form.value("videoId"));
        return reply;
    });
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &ReviewScene::answerRecordFile);
    makeClip();
    if (!sandbox()->dataDir().isEmpty()) {
        if (!seedRecording())
            qWarning() << "review scene: no recording could be left in" << sandbox()->dataDir();
        slowRecordingRanges();
    }
    // Without the clip the recordings cannot play, but everything else is served.
    return true;
}

QString ReviewScene::clipUrl() const
{
    return sandbox()->http()->baseUrl() + QString::fromLatin1(clipPath);
}

void ReviewScene::makeClip()
{
    // Made while the sandbox serves already: nobody plays a recording in the first second.
    if (!m_work.isValid()) {
        qWarning() << "review scene: no folder for the clip";
        return;
    }
    const QString path = m_work.filePath("clip.mp4");
    MediaClip clip;
    clip.size = "640x360";
    clip.seconds = 20;
    m_clipMaker = new ClipMaker(
        sandbox()->cacheDir(), "review-clip.mp4", [clip](const QString &to) { return clip.arguments(to); }, this);
    connect(m_clipMaker, &ClipMaker::finished, this, [this, path](bool ok) {
        QFile file(path);
        if (!ok || !file.open(QIODevice::ReadOnly)) {
            qWarning() << "review scene: the clip could not be made";
            return;
        }
        m_clip = file.readAll();
        FakeHttpServer::Reply reply;
        reply.body = m_clip;
        reply.contentType = "video/mp4";
        reply.ranges = true;
        sandbox()->http()->setReply(clipPath, reply);
        emit clipMade();
    });
    m_clipMaker->start(path, clipTimeoutMs);
}

bool ReviewScene::seedRecording()
{
    const ClassroomSandbox::Account lecturer = sandbox()->accounts().value(1);
    const QDir data(sandbox()->dataDir());
    if (lecturer.userId.isEmpty() || !data.mkpath("media"))
        return false;
    // One recording waiting is enough: a run after an unfinished upload adds none.
    const QString pattern = QString("1_%1_%2_*.ts").arg(QLatin1String(recordedLesson), lecturer.userId);
    const QStringList waiting = QDir(data.filePath("media")).entryList({ pattern }, QDir::Files);
    if (!waiting.isEmpty()) {
        m_seeded = waiting.first();
        return true;
    }
    const QString name = QString("1_%1_%2_%3.ts")
                             .arg(QLatin1String(recordedLesson), lecturer.userId,
                                 QDateTime::currentDateTime().toString("yyyyMMddhhmmss"));
    MediaClip clip;
    clip.size = "640x360";
    clip.seconds = 20;
    clip.bitRateKbps = 2000; // a few ranges of 1 MiB
    const QString path = data.filePath("media/" + name);
    if (!makeRecording(clip, path))
        return false;

    // The row the recorder writes, in the client's own database; the client adds its other tables at start.
    const QString previous = QDir::currentPath();
    if (!QDir::setCurrent(data.path()))
        return false;
    bool stored = DBManager::dbFileInitial();
    if (stored && !QFile::exists(QString::fromLatin1(DBManager::dataBaseName)))
        stored = DBManager::createDataFile(QString::fromLatin1(DBManager::dataBaseName));
    stored = stored && TransferFileDao::initial();
    if (stored) {
        TransferFile row;
        row.setIdParts(name, lecturer.userId);
        row.setFileName("./media/" + name);
        row.setClassTitle(sandbox()->lessons().value(0).title);
        row.setFileRange(0);
        stored = TransferFileDao().saveTransferFile(row);
    }
    QDir::setCurrent(previous);
    if (!stored) {
        QFile::remove(path);
        return false;
    }
    m_seeded = name;
    return true;
}

bool ReviewScene::makeRecording(const MediaClip &clip, const QString &path) const
{
    // Making it takes seconds, and the run script empties the data folder at every start: it is made once into
    // the cache and copied from there.
    ClipMaker maker(sandbox()->cacheDir(), "recording.ts", [clip](const QString &to) { return clip.arguments(to); });
    return maker.make(path);
}

void ReviewScene::slowRecordingRanges()
{
    FileScene *files = FileScene::of(sandbox());
    if (!files)
        return;
    const FakeHttpServer::Handler upload = files->fileServer()->handler(FileScene::uploadPath);
    if (!upload)
        return;
    m_holdingRecording = true;
    files->fileServer()->setHandler(FileScene::uploadPath, [this, upload](const FakeHttpServer::Request &request) {
        if (request.form.value("uploadType") != QLatin1String("2"))
            return upload(request);
        if (m_holdingRecording) {
            FakeHttpServer::Reply reply;
            reply.held = true;
            return reply;
        }
        FakeHttpServer::Reply reply = upload(request);
        reply.delayMs = rangeDelayMs;
        return reply;
    });
}

void ReviewScene::lecturerLooks()
{
    if (!m_holdingRecording)
        return;
    m_holdingRecording = false;
    qInfo() << "review scene: the recorded lessons are asked for, the recording's upload goes on";
    if (FileScene *files = FileScene::of(sandbox()))
        files->fileServer()->answerHeld();
}

void ReviewScene::answerRecordFile(const QString &line)
{
    // "8", user id, lesson part, file id, count: the only type-8 line of five fields.
    const QStringList fields = line.split('\t');
    if (fields.size() != 5 || fields.at(0) != QLatin1String("8") || !fields.at(3).endsWith(QLatin1String(".ts")))
        return;
    const QString answer = QStringList { "8", fields.at(1), "0", fields.at(3) }.join('\t');
    QTimer::singleShot(convertMs, this, [this, answer] { sandbox()->classroom()->sendLine(answer); });
}

const ReviewScene::Series *ReviewScene::findSeries(qint64 id) const
{
    for (const Series &each : m_series) {
        if (each.id == id)
            return &each;
    }
    return nullptr;
}

QByteArray ReviewScene::courseReviewReply(const QString &lessonType, const QString &pageIndex) const
{
    QJsonArray body;
    for (const Series &each : m_series) {
        if (pageIndex != QLatin1String("1")
            || (lessonType != QLatin1String("all") && lessonType != QString::number(each.lessonType)))
            continue;
        QJsonObject entry;
        entry.insert("id", each.id);
        entry.insert("title", each.title);
        entry.insert("subjectName", each.subjectName);
        entry.insert("teacherName", each.teacherName);
        entry.insert("gradeName", sandbox()->account().gradeName);
        entry.insert("className", sandbox()->account().className);
        entry.insert("planBeginTime", lessonTime(1).toString(timeFormat));
        entry.insert("planEndTime", lessonTime(each.lessonCount).addSecs(45 * 60).toString(timeFormat));
        entry.insert("status", 2);
        entry.insert("isParent", 1);
        entry.insert("isCanLook", 1);
        entry.insert("lessonType", each.lessonType);
        body.append(entry);
    }
    return listReply(body);
}

QByteArray ReviewScene::lessonListReply(
    qint64 seriesId, int pageIndex, int countIndex, const QString &sortByTimes) const
{
    const Series *series = findSeries(seriesId);
    if (!series)
        return listReply(QJsonArray());
    QList<int> numbers;
    for (int i = 1; i <= series->lessonCount; ++i)
        numbers.append(i);
    if (sortByTimes == QLatin1String("1"))
        std::reverse(numbers.begin(), numbers.end());
    // The first page holds the whole series; a later one what follows the lessons the client has.
    const int first = pageIndex <= 1 ? 0 : countIndex;
    const int count = pageIndex <= 1 ? numbers.size() : pageSize;
    QJsonArray body;
    for (int i = first; i >= 0 && i < numbers.size() && i < first + count; ++i) {
        const int number = numbers.at(i);
        QJsonObject lesson;
        lesson.insert("id", series->id * 100 + number);
        lesson.insert("title", QString::fromUtf8("第%1课 %2").arg(number).arg(series->title));
        lesson.insert("beginTime", lessonTime(number).toString(timeFormat));
        lesson.insert("actualTime", QString::number(40 + number % 6));
        lesson.insert("subjectName", series->subjectName);
        lesson.insert("teacherName", series->teacherName);
        lesson.insert("parentId", series->id);
        lesson.insert("status", 2);
        lesson.insert("isParent", 0);
        lesson.insert("lessonType", series->lessonType);
        // Every seventh lesson was not recorded.
        const bool recorded = number % 7 != 0;
        lesson.insert("videoId", recorded ? QString("review-%1-%2").arg(series->id).arg(number) : QString());
        lesson.insert("isCanLook", recorded ? 1 : 0);
        body.append(lesson);
    }
    return listReply(body);
}

QByteArray ReviewScene::videoUrlReply(const QString &videoId) const
{
    static const QRegularExpression form(QStringLiteral("^review-(\\d+)-(\\d+)$"));
    const QRegularExpressionMatch match = form.match(videoId);
    QJsonArray body;
    if (match.hasMatch() && findSeries(match.captured(1).toLongLong())) {
        // Two recordings of the lesson, its two halves.
        for (int part = 1; part <= 2; ++part) {
            body.append(QJsonObject { { "playId", QString("%1-%2").arg(videoId).arg(part) },
                { "title", QString::fromUtf8("第%1课 %2").arg(match.captured(2), part == 1 ? "上" : "下") },
                { "videoUrl", clipUrl() } });
        }
    }
    return listReply(body);
}
