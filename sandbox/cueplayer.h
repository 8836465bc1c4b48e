#ifndef CUEPLAYER_H
#define CUEPLAYER_H

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class FakeClassroomServer;
class QTimer;

// Plays a timeline of classroom lines for a lesson: each cue goes to the client at its time from start(); stop()
// drops what is still to come. It remembers the lessons whose timeline it has played to the end.
class CuePlayer : public QObject
{
    Q_OBJECT
public:
    struct Cue
    {
        int atMs;
        QString line;
    };

    CuePlayer(FakeClassroomServer *classroom, QObject *parent);
    ~CuePlayer() override;

    void start(qint64 lessonId, const QList<Cue> &cues);
    void stop();
    bool isPlaying() const { return !m_cues.isEmpty(); }
    bool hasFinished(qint64 lessonId) const { return m_finished.contains(lessonId); }

signals:
    // Each line as it is sent.
    void played(QString line);
    void finished();

private:
    void playDue();

    FakeClassroomServer *m_classroom;
    QTimer *m_timer;
    QElapsedTimer m_clock;
    QList<Cue> m_cues;
    qint64 m_lessonId = 0;
    QSet<qint64> m_finished;
};

#endif // CUEPLAYER_H
