#ifndef SCREENLOCKSCENE_H
#define SCREENLOCKSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QString>

class CuePlayer;

// The teacher's screen lock, played to the demo student in every lesson that opens the school class window (all
// but the meeting): the teacher locks the student's screen for a while and unlocks it; later he locks it again
// and, during that lock, leaves the lesson and comes back. His leaving lifts the lock on the student's side, so
// no unlock follows his return; back, he announces his stream again, since the student stopped pulling it when he
// left. Each step is printed on the sandbox's standard error ("teacher: ...").
class ScreenLockScene : public SandboxScene
{
    Q_OBJECT
public:
    // From the join, as the product's sandbox plays it; tests shorten it.
    struct Timing
    {
        int firstLockMs = 20000;
        int lockedMs = 10000;
        // After the lesson's other play (questions, roll call, courseware) is over: the teacher's leaving resets the
        // student's courseware and closes an open answer card.
        int secondLockMs = 85000;
        int leaveAfterMs = 5000; // into the second lock
        int awayMs = 5000;
    };

    explicit ScreenLockScene(ClassroomSandbox *sandbox);
    ~ScreenLockScene() override;

    bool install() override;
    void setTiming(const Timing &timing) { m_timing = timing; }
    // Something of the play is still to come.
    bool isPlaying() const;

    // The class control lines of the lock ("11", kind 2, lock type 1 or 0).
    static QString lockLine(bool locked);

signals:
    // Each line of the play as it is sent.
    void played(QString line);

private:
    void start(const ClassroomSandbox::Lesson &lesson);
    void stop();
    void onPlayed(const QString &line);
    // The lecturer's leaving ("3\t1") or return ("3\t0") as the classroom server announces it.
    QString lecturerLine(bool present) const;

    CuePlayer *m_player;
    Timing m_timing;
    ClassroomSandbox::Lesson m_lesson;
};

#endif // SCREENLOCKSCENE_H
