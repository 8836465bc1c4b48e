#ifndef CHATSCENE_H
#define CHATSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QStringList>
#include <QTimer>

// The lesson's teacher in the chat: the participant list holds the student and the teacher; the teacher greets
// the class once the student is in, answers every text, mutes the whole class for a while when a student asks
// for "禁言", and takes the student's chat pictures on the REST port (answering their address, which then serves
// the picture). The pictures' notices to the teacher ("13") are kept.
class ChatScene : public SandboxScene
{
    Q_OBJECT
public:
    static constexpr int replyDelayMs = 800;
    static constexpr int muteAllMs = 15000;
    static constexpr const char *uploadPath = "/mobile/httpUploadCourseware";
    static constexpr const char *picturePath = "/sandbox/pictures/";

    explicit ChatScene(ClassroomSandbox *sandbox);
    ~ChatScene() override;

    bool install() override;

    // Tests shorten the teacher's pauses.
    void setReplyDelay(int ms) { m_replyDelayMs = ms; }
    void setMuteAllDuration(int ms) { m_muteAllMs = ms; }
    // The data of every picture notice the teacher received ("<user id>:<address>").
    QStringList pictureNotices() const { return m_pictureNotices; }
    // A chat text as the classroom server forwards it to a client (without the forward line around it).
    static QString chatText(int cmType, const QString &senderId, const QString &receiverId, const QString &content);

private:
    void onLessonJoined(const ClassroomSandbox::Lesson &lesson);
    void onLessonLeft();
    void onLine(const QString &line);
    QStringList participants();
    void onStudentText(int cmType, const QString &senderId, const QString &content);
    // Says a class-wide text as the teacher, after the reply delay, unless the lesson changed meanwhile.
    void teacherSaysLater(const QString &text);
    void teacherSays(const QString &text);
    void teacherMutesAll(bool noTalk);
    void sendForward(int forward, const QString &data);

    bool m_inLesson = false;
    ClassroomSandbox::Lesson m_lesson;
    bool m_greeted = false;
    // Grows with every join and leave: what was scheduled for an earlier lesson is dropped.
    quint64 m_generation = 0;
    QTimer m_unmuteTimer;
    int m_replyDelayMs = replyDelayMs;
    int m_muteAllMs = muteAllMs;
    QStringList m_pictureNotices;
    int m_pictureCount = 0;
};

#endif // CHATSCENE_H
