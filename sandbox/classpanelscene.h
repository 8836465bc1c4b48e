#ifndef CLASSPANELSCENE_H
#define CLASSPANELSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QStringList>

class QTimer;

// The teacher's in-class play: three classmates in the lesson, one of whom raises a hand; hands forbidden and
// allowed again; praise for the student and a classmate; a four-option single-choice question and later a
// six-option multiple-choice one, each stopped and closed; then a roll call. It plays when the demo student
// joins. The student's hand-up, answer and roll-call lines are recorded and printed on the sandbox's standard
// error ("hand <id>@<0|1>", "answer <letters> <yes|no>", "rollcall <id>@<roll call>").
class ClassPanelScene : public SandboxScene
{
    Q_OBJECT
public:
    // The script counts in steps of this many milliseconds.
    static constexpr int stepMs = 1000;
    // Correct answers of the two questions.
    static const char *const singleAce;
    static const char *const multipleAce;

    explicit ClassPanelScene(ClassroomSandbox *sandbox);
    ~ClassPanelScene() override;

    bool install() override;
    // Tests run the script faster.
    void setStep(int ms) { m_stepMs = ms; }

    QStringList handUps() const { return m_handUps; }
    QStringList answers() const { return m_answers; }
    QStringList rollCallAnswers() const { return m_rollCallAnswers; }

signals:
    // Each line of the script as it is sent.
    void played(QString line);

private:
    struct Cue
    {
        int step;
        QString line;
    };

    void start(const ClassroomSandbox::Lesson &lesson);
    void stop();
    void tick();
    void record(const QString &line);
    QList<Cue> script(const ClassroomSandbox::Lesson &lesson) const;

    QTimer *m_timer;
    int m_stepMs = stepMs;
    int m_step = 0;
    QList<Cue> m_cues;
    // The script was started for the joined lesson and not stopped by a leave since.
    bool m_running = false;
    QString m_classId;
    QString m_teacherId;
    QStringList m_handUps;
    QStringList m_answers;
    QStringList m_rollCallAnswers;
};

#endif // CLASSPANELSCENE_H
