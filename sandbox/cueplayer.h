#ifndef CUEPLAYER_H
#define CUEPLAYER_H

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class FakeClassroomServer;
class QTimer;

// Plays a timeline of classroom lines: each cue goes to the client at its time from start(); stop() drops what is
// still to come.
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

    void start(const QList<Cue> &cues);
    void stop();
    bool isPlaying() const { return !m_cues.isEmpty(); }

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
};

#endif // CUEPLAYER_H
