#ifndef STREAMTEACHERSCENE_H
#define STREAMTEACHERSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include "tests/support/ffmpegpublisher.h"

#include <QDateTime>
#include <QMap>
#include <QString>

#include <memory>

class RtmpServer;

// The sandbox's teacher on stream: an RTMP server (nginx) that the login reply names as the stream server
// (fields 4/5 and 8/9), and, while a student (anyone but the lesson's own teacher) is in a lesson, the lesson's
// teacher publishing a generated stream (a test picture with a running counter, a tone) under the teacher's push
// stream id. After the join it starts the class and tells the student to pull that stream (stream command 0),
// and it logs every stream command the student sends. Later scenes publish more streams (classmates, meeting
// participants) through publish() and send their own stream commands through sendStreamCommand(); they find
// this scene among the sandbox's children (sandbox()->findChild<StreamTeacherScene *>()).
class StreamTeacherScene : public SandboxScene
{
    Q_OBJECT
public:
    // One stream command the student sent ("11\t0\t<class>\t3$...\t0" or "11\t1\t<target>\t3$...\t0").
    struct StreamCommand
    {
        bool personal = false;
        QString target; // the class id, or the user a personal command is for
        int type = -1;
        QString fromUserId;
        QString toUserId;
        QString streamId;
        int errorType = 0;
    };

    explicit StreamTeacherScene(ClassroomSandbox *sandbox);
    ~StreamTeacherScene() override;

    // Starts the RTMP server and points the login reply at it. Without nginx the sandbox runs without streams.
    bool install() override;

    // Null when the RTMP server could not start.
    RtmpServer *rtmpServer() const { return m_rtmp.get(); }
    // The push stream id the lesson's teacher publishes under: the teacher id and the scene's start time
    // ("yyyyMMddHHmmss"), as a client makes one.
    QString lecturerPushId(const ClassroomSandbox::Lesson &lesson) const;
    // The lesson being played, id 0 while none.
    ClassroomSandbox::Lesson currentLesson() const { return m_lesson; }

    // Publishes a generated stream under the stream id (replacing one of the same id); false when the RTMP
    // server or ffmpeg is missing or the stream did not start.
    bool publish(const QString &streamId, const FfmpegPublisher::Options &options);
    void stopPublishing(const QString &streamId);
    QStringList publishedStreams() const { return m_publishers.keys(); }
    // The picture and sound the teacher publishes.
    static FfmpegPublisher::Options teacherStream();

    // Sends a stream command to the student as the classroom server forwards it.
    void sendStreamCommand(int type, const QString &fromUserId, const QString &toUserId = QString(),
        const QString &streamId = QString(), int errorType = 0, const QString &thirdUserId = QString());
    // The stream commands the student sent in the current lesson, in order.
    QList<StreamCommand> receivedCommands() const { return m_commands; }
    // A forwarded line of the student as a stream command; false for any other line.
    static bool readStreamCommand(const QString &line, StreamCommand &command);

signals:
    void streamCommandReceived(const StreamTeacherScene::StreamCommand &command);
    // The teacher's class runs: the class start and the pull command have gone out.
    void classStarted(const ClassroomSandbox::Lesson &lesson, const QString &pushStreamId);

private:
    void startClass(const ClassroomSandbox::Lesson &lesson);
    void endClass();
    void onLine(const QString &line);

    std::unique_ptr<RtmpServer> m_rtmp;
    QMap<QString, std::shared_ptr<FfmpegPublisher>> m_publishers;
    QDateTime m_started;
    ClassroomSandbox::Lesson m_lesson;
    QString m_joinedUserId;
    QList<StreamCommand> m_commands;
};

Q_DECLARE_METATYPE(StreamTeacherScene::StreamCommand)

#endif // STREAMTEACHERSCENE_H
