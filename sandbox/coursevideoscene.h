#ifndef COURSEVIDEOSCENE_H
#define COURSEVIDEOSCENE_H

#include "sandbox/cueplayer.h"
#include "sandbox/sandboxscene.h"

#include <QList>
#include <QString>
#include <QStringList>

// The course video of the teacher's lesson, once the lesson script has ended: the class goes back to the
// courseware page and the teacher opens the course-file scene's clip a few seconds in, pauses it, seeks back while
// it is paused and plays it on. Every line is a course-video message forwarded to the class as the teacher's client
// writes it. A lesson's video is played once.
class CourseVideoScene : public SandboxScene
{
    Q_OBJECT
public:
    // From the end of the lesson script to the video.
    static constexpr int startDelayMs = 3000;
    // Between two cues.
    static constexpr int beatMs = 4000;
    // Where the teacher opens the clip, and where the seek goes.
    static constexpr int openPositionMs = 3000;
    static constexpr int seekPositionMs = 2000;

    explicit CourseVideoScene(ClassroomSandbox *sandbox);
    ~CourseVideoScene() override;

    bool install() override;
    // Tests play faster.
    void setPace(int startDelay, int beat);

    // The lines for the clip, its length and the lesson's teacher, in order, at the given beat.
    static QStringList scriptLines(const QString &clipId, int lengthMs, const QString &teacherId, int beat = beatMs);

signals:
    void played(QString line);
    void finished();

private:
    static QList<CuePlayer::Cue> script(const QString &clipId, int lengthMs, const QString &teacherId, int beat);
    void onScriptFinished();
    void start();
    void stop();

    CuePlayer *m_player;
    int m_startDelayMs = startDelayMs;
    int m_beatMs = beatMs;
    quint64 m_generation = 0;
};

#endif // COURSEVIDEOSCENE_H
