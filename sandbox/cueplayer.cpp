#include "sandbox/cueplayer.h"

#include "tests/support/fakeclassroomserver.h"

#include <QTimer>

CuePlayer::CuePlayer(FakeClassroomServer *classroom, QObject *parent)
    : QObject(parent)
    , m_classroom(classroom)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CuePlayer::playDue);
}

CuePlayer::~CuePlayer() = default;

void CuePlayer::start(qint64 lessonId, const QList<Cue> &cues)
{
    m_lessonId = lessonId;
    m_cues = cues;
    m_clock.start();
    playDue();
}

void CuePlayer::stop()
{
    m_timer->stop();
    m_cues.clear();
}

void CuePlayer::playDue()
{
    while (!m_cues.isEmpty() && m_cues.first().atMs <= m_clock.elapsed()) {
        const QString line = m_cues.takeFirst().line;
        m_classroom->sendLine(line);
        emit played(line);
    }
    if (m_cues.isEmpty()) {
        m_finished.insert(m_lessonId);
        emit finished();
        return;
    }
    m_timer->start(int(qMax<qint64>(0, m_cues.first().atMs - m_clock.elapsed())));
}
