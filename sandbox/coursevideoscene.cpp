#include "sandbox/coursevideoscene.h"

#include "sandbox/classroomsandbox.h"
#include "sandbox/coursefilescene.h"
#include "sandbox/lessonscriptscene.h"

#include <QDebug>
#include <QTimer>

namespace {
// A course-video message to the class: type, then the clip, its position, its length and whether it is paused.
QString videoLine(int type, const QString &clipId, int positionMs, int lengthMs, bool paused)
{
    return QStringLiteral("11\t0\t5$%1$%2:%3:%4:%5")
        .arg(type)
        .arg(clipId)
        .arg(positionMs)
        .arg(lengthMs)
        .arg(paused ? 1 : 0);
}

const int videoCourseType = 3;
} // namespace

CourseVideoScene::CourseVideoScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_player(new CuePlayer(sandbox->classroom(), this))
{
    connect(m_player, &CuePlayer::played, this, &CourseVideoScene::played);
    connect(m_player, &CuePlayer::finished, this, &CourseVideoScene::finished);
}

CourseVideoScene::~CourseVideoScene() = default;

bool CourseVideoScene::install()
{
    auto *lessonScript = sandbox()->findChild<LessonScriptScene *>();
    // Without the lesson there is no video to show in it; the rest of the sandbox plays on.
    if (!lessonScript) {
        qWarning() << "the course video has no lesson script";
        return true;
    }
    connect(lessonScript, &LessonScriptScene::finished, this, &CourseVideoScene::onScriptFinished);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &CourseVideoScene::stop);
    return true;
}

void CourseVideoScene::setPace(int startDelay, int beat)
{
    m_startDelayMs = startDelay;
    m_beatMs = beat;
}

QList<CuePlayer::Cue> CourseVideoScene::script(const QString &clipId, int lengthMs, const QString &teacherId, int beat)
{
    // The clip plays from the open on: the pause comes where the teacher's copy stands then.
    const int pausedAt = openPositionMs + beat;
    return {
        { 0, QStringLiteral("11\t0\t2$2:0:%1").arg(teacherId) },
        { 0, videoLine(0, clipId, openPositionMs, 0, false) },
        { beat, videoLine(1, clipId, pausedAt, lengthMs, true) },
        { 2 * beat, videoLine(1, clipId, seekPositionMs, lengthMs, true) },
        { 3 * beat, videoLine(1, clipId, seekPositionMs, lengthMs, false) },
    };
}

QStringList CourseVideoScene::scriptLines(const QString &clipId, int lengthMs, const QString &teacherId, int beat)
{
    QStringList lines;
    for (const CuePlayer::Cue &cue : script(clipId, lengthMs, teacherId, beat))
        lines << cue.line;
    return lines;
}

void CourseVideoScene::onScriptFinished()
{
    if (m_player->hasFinished(sandbox()->joinedLesson().id))
        return;
    const quint64 generation = ++m_generation;
    QTimer::singleShot(m_startDelayMs, this, [this, generation] {
        if (generation == m_generation)
            start();
    });
}

void CourseVideoScene::start()
{
    auto *courseFiles = sandbox()->findChild<CourseFileScene *>();
    if (!courseFiles)
        return;
    const QString clipId = courseFiles->fileIdOfType(videoCourseType);
    if (clipId.isEmpty()) {
        qWarning() << "the course video has no clip";
        return;
    }
    m_player->start(sandbox()->joinedLesson().id,
        script(clipId, CourseFileScene::clipSeconds * 1000, sandbox()->joinedLesson().teacherId, m_beatMs));
}

void CourseVideoScene::stop()
{
    ++m_generation;
    m_player->stop();
}
