#ifndef STAGESCENE_H
#define STAGESCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"
#include "sandbox/streamteacherscene.h"

#include <QStringList>

class QTimer;

// The teacher's stage: a lesson of class type 6 (the RTMP panel) in which, after the teacher's stream, a
// classmate is brought on stage (the teacher's stream command 2 to the classmate, the classmate's own stream and
// its command 5, then 6 a while later), and then the student is asked onto the stage (command 2 to the student),
// which the student answers as its devices allow (5 with its stream, or 4); a stream that runs is stopped again
// with command 3. In the lesson of class type 4 the teacher calls the student onto the WebRTC stage once
// (command 16), which the student answers with 17 (or 19, and is asked off again with 18). It plays for the demo
// student only; the student's answers are printed on the sandbox's standard error ("stage <the forwarded line>").
class StageScene : public SandboxScene
{
    Q_OBJECT
public:
    // The script counts in steps of this many milliseconds.
    static constexpr int stepMs = 1000;
    // When things happen, in steps after the join.
    static constexpr int classmateOnStep = 4;
    static constexpr int classmateOffStep = 24;
    static constexpr int studentCalledStep = 30;
    static constexpr int webrtcCallStep = 8;
    // How long the student stays on stage once its stream runs.
    static constexpr int studentStaysSteps = 15;

    explicit StageScene(ClassroomSandbox *sandbox);
    ~StageScene() override;

    bool install() override;
    // Tests run the script faster.
    void setStep(int ms) { m_stepMs = ms; }

    // The lesson of class type 6 this scene adds to the course list.
    static ClassroomSandbox::Lesson stageLesson();
    // The classmate brought on stage (one of the lesson's participants) and the stream it publishes under.
    static ClassroomSandbox::Participant classmate();
    QString classmatePushId() const;
    // The student's stage answers (the whole forwarded lines), in order.
    QStringList answers() const { return m_answers; }

signals:
    // Each step of the script as it is played ("classmate on", "classmate off", "student called", "webrtc call",
    // "student off").
    void played(const QString &step);

private:
    struct Cue
    {
        int step;
        QString name;
    };

    void start(const ClassroomSandbox::Lesson &lesson);
    void stop();
    void tick();
    void play(const QString &name);
    void onLine(const QString &line);
    void onCommand(const StreamTeacherScene::StreamCommand &command);

    StreamTeacherScene *m_teacher = nullptr;
    QTimer *m_timer;
    int m_stepMs = stepMs;
    int m_step = 0;
    QList<Cue> m_cues;
    ClassroomSandbox::Lesson m_lesson;
    QString m_studentId;
    QStringList m_answers;
};

#endif // STAGESCENE_H
