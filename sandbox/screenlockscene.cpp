#include "sandbox/screenlockscene.h"

#include "sandbox/cueplayer.h"
#include "sandbox/streamteacherscene.h"
#include "tests/support/fakeclassroomserver.h"

#include <algorithm>
#include <cstdio>

namespace {
// The meeting opens the teacher window, which has no screen lock.
constexpr int meetingType = 5;
} // namespace

ScreenLockScene::ScreenLockScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_player(new CuePlayer(sandbox->classroom(), this))
{
    connect(m_player, &CuePlayer::played, this, &ScreenLockScene::onPlayed);
}

ScreenLockScene::~ScreenLockScene() = default;

bool ScreenLockScene::install()
{
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &ScreenLockScene::start);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &ScreenLockScene::stop);
    connect(sandbox()->classroom(), &FakeClassroomServer::clientDisconnected, this, &ScreenLockScene::stop);
    return true;
}

bool ScreenLockScene::isPlaying() const
{
    return m_player->isPlaying();
}

QString ScreenLockScene::lockLine(bool locked)
{
    return QStringLiteral("11\t2\t%1").arg(locked ? 1 : 0);
}

QString ScreenLockScene::lecturerLine(bool present) const
{
    const ClassroomSandbox::Participant lecturer { m_lesson.teacherId, m_lesson.teacherName, QStringLiteral("0") };
    return QStringLiteral("3\t%1\t%2").arg(present ? 0 : 1).arg(sandbox()->participantJson({ lecturer }));
}

void ScreenLockScene::start(const ClassroomSandbox::Lesson &lesson)
{
    stop();
    // The lock is for the student's seat; a lecturer who joins locks others himself.
    if (lesson.lessonType == meetingType || sandbox()->joinedUserId() != sandbox()->account().userId)
        return;
    m_lesson = lesson;
    const Timing &t = m_timing;
    const int leaveAt = t.secondLockMs + t.leaveAfterMs;
    QList<CuePlayer::Cue> cues {
        { t.firstLockMs, lockLine(true) },
        { t.firstLockMs + t.lockedMs, lockLine(false) },
        { t.secondLockMs, lockLine(true) },
        { leaveAt, lecturerLine(false) },
        { leaveAt + t.awayMs, lecturerLine(true) },
    };
    // The player sends in list order; a shortened timing must not reorder the play.
    std::stable_sort(
        cues.begin(), cues.end(), [](const CuePlayer::Cue &a, const CuePlayer::Cue &b) { return a.atMs < b.atMs; });
    m_player->start(lesson.id, cues);
}

void ScreenLockScene::stop()
{
    m_player->stop();
    m_lesson = ClassroomSandbox::Lesson {};
}

void ScreenLockScene::onPlayed(const QString &line)
{
    const bool back = line.startsWith(QLatin1String("3\t0\t"));
    const char *what = line == lockLine(true) ? "screen locked"
        : line == lockLine(false)             ? "screen unlocked"
        : back                                ? "back in the lesson"
                                              : "left the lesson during the lock";
    std::fprintf(stderr, "teacher: %s\n", what);
    emit played(line);
    if (!back)
        return;
    // Back, the teacher announces his stream again: the student dropped it when he left.
    auto *streams = sandbox()->findChild<StreamTeacherScene *>();
    if (streams && streams->currentLesson().id == m_lesson.id)
        streams->sendStreamCommand(0, m_lesson.teacherId, QString(), streams->lecturerPushId(m_lesson));
}
