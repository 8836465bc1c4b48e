#ifndef CHATSCENE_H
#define CHATSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QStringList>
#include <QTimer>

// The other side of the lesson's chat. To a student the teacher greets the class once the student is in (has
// asked for the participant list, which the sandbox answers), answers every text, mutes the whole class for a
// while when a text asks for "禁言"; to the lecturer's side (the teacher signed in) the demo student greets and
// answers. Chat pictures are taken on the REST port (answering their address, which then serves the picture);
// the pictures' notices to the lecturer ("13") are kept.
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
    void greetOnce();
    // Who speaks to the signed-in user: the teacher, or the demo student when the teacher is signed in.
    QString speakerId() const;
    bool teacherSpeaks() const { return speakerId() == m_lesson.teacherId; }
    void onClientText(int cmType, const QString &senderId, const QString &content);
    // Says a class-wide text as the speaker, after the reply delay, unless the lesson changed meanwhile.
    void saysLater(const QString &text);
    void says(const QString &text);
    void teacherMutesAll(bool noTalk);
    void sendForward(int forward, const QString &data);

    bool m_inLesson = false;
    ClassroomSandbox::Lesson m_lesson;
    QString m_joinedUserId;
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
