#include "sandbox/lessonscriptscene.h"

#include "sandbox/coursefilescene.h"
#include "tests/support/fakeclassroomserver.h"

#include <QDebug>
#include <QPoint>
#include <QTimer>
#include <QtMath>

namespace {
// Course messages ("0$<type>$<payload>") forwarded to the class ("11", kind 0).
QString courseLine(int type, const QString &payload)
{
    return QStringLiteral("11\t0\t0$%1$%2").arg(type).arg(payload);
}

// File id, page, step and the file's page count.
QString control(const QString &fileIdAll, int page, int step, int pageCount)
{
    return QStringLiteral("%1:%2:%3:%4").arg(fileIdAll).arg(page).arg(step).arg(pageCount);
}

quint32 packPoint(const QPoint &point)
{
    return quint32(point.x() + 5000) * 10000 + quint32(point.y() + 5000);
}

// The teacher's pen: "#FB3838" at half opacity, as the board draws it, in the base 256 of the wire.
const quint32 penColour = (128u << 24) | 0xFB3838u;
const int penWidth = 4;

// A freehand stroke in three steps, the points split among them; the last step ends the stroke.
QStringList strokeSteps(int type, quint32 pointSetId, const QList<QPoint> &points, const QString &where)
{
    QStringList lines;
    const int steps = 3;
    const int perStep = (points.size() + steps - 1) / steps;
    for (int step = 0; step < steps; ++step) {
        QStringList items { QStringLiteral("pi:%1").arg(pointSetId) };
        const QList<QPoint> part = points.mid(step * perStep, perStep);
        for (const QPoint &point : part)
            items << QStringLiteral("px:%1").arg(packPoint(point));
        items << QStringLiteral("sp:%1").arg(packPoint(points.first()))
              << QStringLiteral("ep:%1").arg(packPoint(part.isEmpty() ? points.last() : part.last()))
              << QStringLiteral("pc:%1").arg(penColour) << QStringLiteral("pw:%1").arg(penWidth)
              << QStringLiteral("s:1") << QStringLiteral("it:%1").arg(step + 1 < steps ? 1 : 0);
        lines << courseLine(type, items.join(';') + "@" + where);
    }
    return lines;
}

// An underline beneath a slide's second line.
QList<QPoint> underline()
{
    QList<QPoint> points;
    for (int i = 0; i < 24; ++i)
        points << QPoint(80 + i * 20, 215 + int(6 * qSin(i * 0.8)));
    return points;
}

// A circle around the middle of the board.
QList<QPoint> circle()
{
    QList<QPoint> points;
    for (int i = 0; i <= 30; ++i) {
        const double angle = i * 2 * M_PI / 30;
        points << QPoint(470 + int(160 * qCos(angle)), 350 + int(120 * qSin(angle)));
    }
    return points;
}

const int deckPages = 3;
const int picturePages = 3;
} // namespace

LessonScriptScene::LessonScriptScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_player(new CuePlayer(sandbox->classroom(), this))
{
    connect(m_player, &CuePlayer::played, this, &LessonScriptScene::played);
    connect(m_player, &CuePlayer::finished, this, &LessonScriptScene::finished);
}

LessonScriptScene::~LessonScriptScene() = default;

bool LessonScriptScene::install()
{
    auto *courseFiles = sandbox()->findChild<CourseFileScene *>();
    // Without course files there is nothing to teach from; the rest of the sandbox plays on.
    if (!courseFiles) {
        qWarning() << "the lesson script has no course files";
        return true;
    }
    connect(courseFiles, &CourseFileScene::filesShared, this, &LessonScriptScene::onFilesShared);
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, [this] { m_inLesson = true; });
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &LessonScriptScene::stop);
    return true;
}

void LessonScriptScene::setPace(int startDelay, int beat)
{
    m_startDelayMs = startDelay;
    m_beatMs = beat;
}

QList<LessonScriptScene::Cue> LessonScriptScene::script(
    const QString &deckId, const QString &picturesId, const QString &teacherId, int beat)
{
    QList<Cue> cues;
    int at = 0;
    const auto cue = [&cues, &at, beat](const QString &line) {
        cues.append({ at, line });
        at += beat;
    };
    const auto deck = [&deckId](int page, int step) { return control(deckId, page, step, deckPages); };
    cue(courseLine(0, deck(0, 0))); // open the deck
    cue(courseLine(1, deck(0, 1)));
    cue(courseLine(1, deck(1, 0))); // slide 2
    cue(courseLine(1, deck(1, 1)));
    const QStringList onSlide = strokeSteps(2, 2, underline(), deck(1, 1));
    for (int i = 0; i < onSlide.size(); ++i)
        cues.append({ at + i * strokeStepMs, onSlide.at(i) });
    at += beat;
    cue(courseLine(1, deck(1, 2)));
    cue(courseLine(9, deck(1, 2) + "@125"));
    cue(courseLine(8, deck(1, 2) + "@120:80"));
    cue(courseLine(0, control(picturesId, 0, 0, picturePages))); // the picture deck
    cue(courseLine(1, control(picturesId, 1, 0, picturePages)));
    cue(courseLine(1, control(picturesId, 2, 0, picturePages)));
    // The class window shows the board: interface mode 1 of the lecturer.
    cue(QStringLiteral("11\t0\t2$2:1:%1").arg(teacherId));
    const QStringList onBoard = strokeSteps(6, 4, circle(), QStringLiteral(":0:0:1"));
    for (int i = 0; i < onBoard.size(); ++i)
        cues.append({ at + i * strokeStepMs, onBoard.at(i) });
    return cues;
}

QStringList LessonScriptScene::scriptLines(const QString &deckId, const QString &picturesId, const QString &teacherId)
{
    QStringList lines;
    for (const Cue &cue : script(deckId, picturesId, teacherId, beatMs))
        lines << cue.line;
    return lines;
}

void LessonScriptScene::onFilesShared()
{
    // The teacher's lesson is for the student's seat; a lecturer who joins leads it.
    if (!m_inLesson || sandbox()->joinedUserId() != sandbox()->account().userId)
        return;
    if (m_player->hasFinished(sandbox()->joinedLesson().id))
        return;
    const quint64 generation = ++m_generation;
    QTimer::singleShot(m_startDelayMs, this, [this, generation] {
        if (generation == m_generation)
            start();
    });
}

void LessonScriptScene::start()
{
    auto *courseFiles = sandbox()->findChild<CourseFileScene *>();
    if (!courseFiles)
        return;
    const QString deckId = courseFiles->fileIdOfType(2);
    const QString picturesId = courseFiles->fileIdOfType(1);
    if (deckId.isEmpty() || picturesId.isEmpty()) {
        qWarning() << "the lesson script lacks its decks! deck:" << deckId << "pictures:" << picturesId;
        return;
    }
    m_player->start(
        sandbox()->joinedLesson().id, script(deckId, picturesId, sandbox()->joinedLesson().teacherId, m_beatMs));
}

void LessonScriptScene::stop()
{
    ++m_generation;
    m_inLesson = false;
    m_player->stop();
}
