#ifndef CLASSROOMSANDBOX_H
#define CLASSROOMSANDBOX_H

#include <QObject>
#include <QString>

class FakeClassroomServer;
class FakeHttpServer;

// What a school's service serves a student, on loopback: the REST sign-in with one demo student, the student's
// course list, and the classroom server's side of the login, join, quit and heartbeat lines.
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

    explicit ClassroomSandbox(QObject *parent = nullptr);
    ~ClassroomSandbox() override;

    // Ports 0 take free ports.
    bool start(quint16 httpPort = 0, quint16 classroomPort = 0);
    quint16 httpPort() const;
    quint16 classroomPort() const;
    const Account &account() const { return m_account; }
    FakeHttpServer *http() const { return m_http; }
    FakeClassroomServer *classroom() const { return m_classroom; }

    // The REST login reply for a user code and password: granted for the demo student, "wrong password"
    // otherwise.
    QByteArray restLoginReply(const QString &userCode, const QString &password) const;
    // One page of the course list for a lesson type ("all", or a type's number): a lesson at school (type 4)
    // that can be entered now and one out of school (type 8) that starts in two hours. There is one page.
    QByteArray courseListReply(const QString &lessonType, const QString &pageIndex) const;

private:
    void installRoutes();

    Account m_account;
    FakeHttpServer *m_http;
    FakeClassroomServer *m_classroom;
};

#endif // CLASSROOMSANDBOX_H
