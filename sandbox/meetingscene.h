#ifndef MEETINGSCENE_H
#define MEETINGSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

class QTimer;
class StreamTeacherScene;

// A school-affairs meeting (class type 5) on the course list, hosted by the first lesson's teacher; anybody else
// joins it as a participant. The host's stream and his start of the meeting (stream command 0) are the stream
// teacher's (streamteacherscene.h); this scene adds two members who publish pictures of one colour each (green
// and blue) on the same RTMP server, answers the client's request for the table of push stream ids with the
// three, and, for a participant, has the host put the first member on stage (stream command 5) and later take
// him off (6). It logs the push stream id the participant announces ("meeting <id>@<push id>" on standard
// error).
class MeetingScene : public SandboxScene
{
    Q_OBJECT
public:
    // The script counts in steps of this many milliseconds.
    static constexpr int stepMs = 1000;
    static constexpr int onStageStep = 25;
    static constexpr int offStageStep = 45;

    explicit MeetingScene(ClassroomSandbox *sandbox);
    ~MeetingScene() override;

    bool install() override;
    // Tests run the script faster, or, with 0, play the host's commands themselves.
    void setStep(int ms) { m_stepMs = ms; }
    // The host's commands: the first member on stage, and off it.
    void sendOnStage();
    void sendOffStage();

    static ClassroomSandbox::Lesson meeting();
    // The members who publish, in the order of their colours.
    static QList<ClassroomSandbox::Participant> members();
    static QStringList memberColours();
    // The push stream id a member publishes under: his id and the scene's start time, as a client makes one.
    QString pushIdOf(const QString &userId) const;
    // The push stream ids the participant announced to the server.
    QStringList announcedPushIds() const { return m_announced; }

signals:
    // Each stream command of the host's script as it is sent.
    void played(QString line);

private:
    void start(const ClassroomSandbox::Lesson &lesson);
    void stop();
    void tick();
    void onLine(const QString &line);
    // The server's answer to a request for the table: "18", a JSON array whose first object maps user ids to
    // push stream ids, "3".
    QString streamIdTable() const;
    StreamTeacherScene *streamTeacher() const;

    QDateTime m_started;
    QTimer *m_timer;
    int m_stepMs = stepMs;
    int m_step = 0;
    bool m_running = false;
    QStringList m_announced;
};

#endif // MEETINGSCENE_H
