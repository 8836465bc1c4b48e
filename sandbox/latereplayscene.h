#ifndef LATEREPLAYSCENE_H
#define LATEREPLAYSCENE_H

#include "sandbox/sandboxscene.h"
#include "vrek/message/pptmessage.h"

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The lecturer's answer to a late joiner: the sandbox keeps what its teacher has shown in the joined lesson (the
// course files shared, the strokes on the courseware and on the board, the open courseware or video, the page of
// the class window) from the lines the lesson's scenes play, and replays it to a student whose client asks for
// it, phase by phase as the late-arrival handshake goes: the files, the courseware drawings, the board drawings,
// each with its count, then the state and the end. The state is kept while the student is away from the lesson,
// so leaving and entering again shows the replay.
class LateReplayScene : public SandboxScene
{
    Q_OBJECT
public:
    // The late-state kinds the counts are sent for.
    enum Phase { PhaseFiles = 0, PhaseDrawings = 1, PhaseBoard = 3 };

    explicit LateReplayScene(ClassroomSandbox *sandbox);
    ~LateReplayScene() override;

    bool install() override;

    // The counts sent to the joiners and the ones their clients acknowledged, as (kind, count), in order.
    QList<QPair<int, int>> sentCounts() const { return m_sent; }
    QList<QPair<int, int>> acknowledgedCounts() const { return m_acknowledged; }

    // Records one line the teacher's side played to the class ("11\t0\t..."); the scenes' lines come here.
    void record(const QString &line);

signals:
    // Each line of a replay as it is sent.
    void replayed(QString line);
    // The joiner acknowledged the end of the replay.
    void replayEnded(QString userId);

private:
    struct Stroke
    {
        QString key;
        PPtMessage message;
    };

    void onLine(const QString &line);
    void onLessonJoined();
    void reset();
    void sendToJoiner(const QString &data);
    void sendPhase(int phase, int count);
    void sendFiles();
    void sendStrokes(const QList<Stroke> &strokes, PPtMessage::PPMType type, int phase);
    void sendState();
    static void addStep(QList<Stroke> &strokes, const PPtMessage &message);
    QString teacherId() const;

    qint64 m_lessonId = 0;
    bool m_filesShared = false;
    QList<Stroke> m_strokes;
    QList<Stroke> m_boardStrokes;
    // The open courseware as an open message, or empty for the default view or a video.
    QString m_courseData;
    QString m_openFileIdAll;
    int m_uiType = -1;
    QString m_videoId;
    qint64 m_videoPositionMs = 0;
    bool m_videoPaused = false;
    QElapsedTimer m_videoClock;
    QList<QPair<int, int>> m_sent;
    QList<QPair<int, int>> m_acknowledged;
};

#endif // LATEREPLAYSCENE_H
