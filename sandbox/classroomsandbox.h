#ifndef CLASSROOMSANDBOX_H
#define CLASSROOMSANDBOX_H

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "tests/support/fakeclassroomserver.h"

class FakeHttpServer;
class SandboxScene;

// What a school's service serves a student, on loopback: the REST sign-in with its demo accounts (a student and,
// for the lecturer's side, the teacher of the first lesson), the course list, and the classroom server's side of
// the login, join, quit and heartbeat lines. What the other
// side of a lesson plays (streams, courseware, chat ...) comes from the scenes (sandboxscene.h).
class ClassroomSandbox : public QObject
{
    Q_OBJECT
public:
    struct Account
    {
        QString userId = QStringLiteral("20001");
        QString userCode = QStringLiteral("student01");
        QString password = QStringLiteral("tavi2026");
        QString userName = QStringLiteral("李小明");
        QString gradeName = QStringLiteral("三年级");
        QString className = QStringLiteral("2班");
    };

    // One lesson of the course list.
    struct Lesson
    {
        qint64 id = 0;
        QString title;
        int lessonType = 4; // the class type the client enters it with
        QString subjectName;
        QString teacherId;
        QString teacherName;
        qint64 startsIn = 0; // seconds from the sandbox's start
        int classState = 1;
        QString tClass() const { return QStringLiteral("class%1").arg(id); }
    };

    // Someone else in the joined lesson, as the participant list names them.
    struct Participant
    {
        QString userId;
        QString userName;
        QString userType = QStringLiteral("1"); // "0" to "5"
        qint64 lessonId = 0; // the one lesson he is in; 0 for every lesson
    };

    explicit ClassroomSandbox(QObject *parent = nullptr);
    ~ClassroomSandbox() override;

    // Ports 0 take free ports.
    bool start(quint16 httpPort = 0, quint16 classroomPort = 0);
    quint16 httpPort() const;
    quint16 classroomPort() const;
    // The demo student; accounts() holds every account that can sign in, the student first.
    const Account &account() const { return m_accounts.first(); }
    QList<Account> accounts() const { return m_accounts; }
    void addAccount(const Account &account) { m_accounts.append(account); }
    // The account of a user code and password; one with an empty user id when none matches.
    Account accountFor(const QString &userCode, const QString &password) const;
    // Changes the password of the account of a user id for the next sign-in; false when none has the id.
    bool setPassword(const QString &userId, const QString &password);
    // The login sign id the sandbox grants an account.
    static QString loginSignIdOf(const QString &userId) { return QStringLiteral("sandbox-") + userId; }
    // The lessons on the course list; scenes add theirs before start() returns.
    QList<Lesson> lessons() const { return m_lessons; }
    void addLesson(const Lesson &lesson) { m_lessons.append(lesson); }
    // The lesson a class id ("class<id>") names; a lesson with id 0 when none does.
    Lesson lessonByClassId(const QString &classId) const;
    // The first lesson of the course list entered with a class type; a lesson with id 0 when none is.
    Lesson firstLessonOfType(int lessonType) const;
    // The classroom login reply the sandbox grants; scenes may point its stream servers elsewhere.
    FakeClassroomServer::LoginReply &loginReply() { return m_loginReply; }
    FakeHttpServer *http() const { return m_http; }
    FakeClassroomServer *classroom() const { return m_classroom; }
    QList<SandboxScene *> scenes() const { return m_scenes; }

    // The participant list ("3" line) is answered by the sandbox itself: the joined lesson's teacher, whoever
    // joined, the demo student, and the classmates the scenes add (one entry per user id; a later add replaces
    // the earlier).
    void addParticipant(const Participant &participant);
    QList<Participant> participants() const { return m_participants; }
    // The lesson the student is in; a lesson with id 0 when none.
    Lesson joinedLesson() const { return m_joined; }
    // The user id of the join line; empty when none.
    QString joinedUserId() const { return m_joinedUserId; }
    // The account of a user id; one with an empty user id when none has it.
    Account accountById(const QString &userId) const;
    // The JSON array of a participant list, one object per participant, in the joined lesson's class.
    QString participantJson(const QList<Participant> &participants) const;
    // The whole list of the joined lesson.
    QList<Participant> lessonParticipants() const;
    // What a scene tells the sandbox's user on the first line, after the sandbox's own fields ("name=value").
    void announce(const QString &name, const QString &value) { m_announced.append(name + "=" + value); }
    QStringList announced() const { return m_announced; }
    // The client's data folder of the run, when the sandbox is told it: scenes may put there what a user of the
    // client would have left behind (a recording waiting for upload). Set before start().
    void setDataDir(const QString &path) { m_dataDir = path; }
    QString dataDir() const { return m_dataDir; }
    // The file server's port, given before start(); 0 takes any free one.
    void setFilePort(quint16 port) { m_filePort = port; }
    quint16 filePort() const { return m_filePort; }
    // Where what takes long to make (the lecturer's recording, the scenes' clips) is kept from one run to the next;
    // none by default.
    void setCacheDir(const QString &path) { m_cacheDir = path; }
    QString cacheDir() const { return m_cacheDir; }

    // The REST login reply for a user code and password: granted for a demo account, "wrong password"
    // otherwise.
    QByteArray restLoginReply(const QString &userCode, const QString &password) const;
    // One page of the course list for a lesson type ("all", or a type's number): a lesson at school (type 4)
    // that can be entered now and one out of school (type 8) that starts in two hours. There is one page.
    QByteArray courseListReply(const QString &lessonType, const QString &pageIndex) const;

signals:
    // The student joined a lesson ("6" line) or left the classroom (logout).
    void lessonJoined(const ClassroomSandbox::Lesson &lesson);
    void lessonLeft();

private:
    void installRoutes();

    QList<Account> m_accounts;
    FakeHttpServer *m_http;
    FakeClassroomServer *m_classroom;
    FakeClassroomServer::LoginReply m_loginReply;
    QList<Lesson> m_lessons;
    QList<Participant> m_participants;
    Lesson m_joined;
    QString m_joinedUserId;
    QDateTime m_started;
    QList<SandboxScene *> m_scenes;
    QStringList m_announced;
    QString m_dataDir;
    QString m_cacheDir;
    quint16 m_filePort = 0;
};

#endif // CLASSROOMSANDBOX_H
