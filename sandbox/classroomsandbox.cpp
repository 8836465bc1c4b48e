#include "sandbox/classroomsandbox.h"

#include "sandbox/sandboxscene.h"

#include "tests/support/fakeclassroomserver.h"
#include "tests/support/fakehttpserver.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

ClassroomSandbox::ClassroomSandbox(QObject *parent)
    : QObject(parent)
    , m_http(new FakeHttpServer(this))
    , m_classroom(new FakeClassroomServer(this))
    , m_started(QDateTime::currentDateTime())
{
    m_lessons.append({ 3101, QString::fromUtf8("分数的初步认识"), 4, QString::fromUtf8("数学"), "901",
        QString::fromUtf8("王老师"), 5 * 60 });
    m_lessons.append({ 3102, QString::fromUtf8("英语口语练习"), 8, QString::fromUtf8("英语"), "902",
        QString::fromUtf8("陈老师"), 2 * 3600 });

    m_accounts.append(Account());
    // The lecturer's side signs in as the teacher of the first lesson.
    Account lecturer;
    lecturer.userId = "901";
    lecturer.userCode = "teacher01";
    lecturer.userName = QString::fromUtf8("王老师");
    m_accounts.append(lecturer);

    m_loginReply.userId = account().userId;
    m_loginReply.userName = account().userName;
    m_loginReply.accountId = "a" + account().userId;
    m_loginReply.loginSignId = loginSignIdOf(account().userId);
    m_loginReply.rtmpHost = "127.0.0.1";
    m_loginReply.webrtcHost = "127.0.0.1";
}

ClassroomSandbox::~ClassroomSandbox() = default;

bool ClassroomSandbox::start(quint16 httpPort, quint16 classroomPort)
{
    if (!m_http->listen(httpPort) || !m_classroom->listen(classroomPort))
        return false;
    installRoutes();
    m_scenes = makeSandboxScenes(this);
    for (SandboxScene *scene : qAsConst(m_scenes)) {
        if (!scene->install())
            return false;
    }
    return true;
}

ClassroomSandbox::Lesson ClassroomSandbox::firstLessonOfType(int lessonType) const
{
    for (const Lesson &lesson : m_lessons) {
        if (lesson.lessonType == lessonType)
            return lesson;
    }
    return Lesson();
}

ClassroomSandbox::Lesson ClassroomSandbox::lessonByClassId(const QString &classId) const
{
    for (const Lesson &lesson : m_lessons) {
        if (lesson.tClass() == classId)
            return lesson;
    }
    return Lesson {};
}

void ClassroomSandbox::addParticipant(const Participant &participant)
{
    for (Participant &known : m_participants) {
        if (known.userId == participant.userId) {
            known = participant;
            return;
        }
    }
    m_participants.append(participant);
}

QList<ClassroomSandbox::Participant> ClassroomSandbox::lessonParticipants() const
{
    QList<Participant> list;
    if (m_joined.id != 0)
        list.append({ m_joined.teacherId, m_joined.teacherName, QStringLiteral("0") });
    // Whoever joined is there, and the demo student always is.
    for (const Account &present : { accountById(m_joinedUserId), account() }) {
        if (!present.userId.isEmpty())
            list.append({ present.userId, present.userName, QStringLiteral("1") });
    }
    for (const Participant &participant : m_participants) {
        if (participant.lessonId == 0 || participant.lessonId == m_joined.id)
            list.append(participant);
    }
    QList<Participant> once;
    QStringList ids;
    for (const Participant &participant : qAsConst(list)) {
        if (ids.contains(participant.userId))
            continue;
        ids.append(participant.userId);
        once.append(participant);
    }
    return once;
}

ClassroomSandbox::Account ClassroomSandbox::accountById(const QString &userId) const
{
    for (const Account &known : m_accounts) {
        if (known.userId == userId)
            return known;
    }
    Account none;
    none.userId.clear();
    return none;
}

QString ClassroomSandbox::participantJson(const QList<Participant> &participants) const
{
    QJsonArray rows;
    for (const Participant &participant : participants) {
        rows.append(QJsonObject { { "userId", participant.userId }, { "userName", participant.userName },
            { "userType", participant.userType }, { "classCode", m_joined.tClass() },
            { "className", account().className }, { "loginDevice", 0 }, { "isMainAccount", 1 } });
    }
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

quint16 ClassroomSandbox::httpPort() const
{
    return m_http->port();
}

quint16 ClassroomSandbox::classroomPort() const
{
    return m_classroom->port();
}

ClassroomSandbox::Account ClassroomSandbox::accountFor(const QString &userCode, const QString &password) const
{
    for (const Account &account : m_accounts) {
        if (account.userCode == userCode && account.password == password)
            return account;
    }
    Account none;
    none.userId.clear();
    return none;
}

bool ClassroomSandbox::setPassword(const QString &userId, const QString &password)
{
    for (Account &account : m_accounts) {
        if (account.userId == userId) {
            account.password = password;
            return true;
        }
    }
    return false;
}

QByteArray ClassroomSandbox::restLoginReply(const QString &userCode, const QString &password) const
{
    QJsonObject body;
    const Account account = accountFor(userCode, password);
    if (!account.userId.isEmpty()) {
        body.insert("userId", account.userId.toLongLong());
        body.insert("userCode", account.userCode);
        body.insert("userName", account.userName);
        body.insert("passWord", account.password);
        body.insert("loginSignId", loginSignIdOf(account.userId));
        body.insert("mobile", "13800000000");
        body.insert("gradeName", account.gradeName);
        body.insert("className", account.className);
        body.insert("loginStatus", 0);
    } else {
        body.insert("loginStatus", 2); // wrong password
    }
    QJsonObject reply;
    reply.insert("loginStatus", "0");
    reply.insert("requestStatus", "success");
    reply.insert("requestBody", QJsonArray { body });
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QByteArray ClassroomSandbox::courseListReply(const QString &lessonType, const QString &pageIndex) const
{
    QJsonArray body;
    for (const Lesson &lesson : m_lessons) {
        if (pageIndex != "1" || (lessonType != "all" && lessonType != QString::number(lesson.lessonType)))
            continue;
        // Lessons that start soon stay enterable however long the sandbox runs.
        const QDateTime begin = lesson.startsIn < 3600 ? QDateTime::currentDateTime().addSecs(lesson.startsIn)
                                                       : m_started.addSecs(lesson.startsIn);
        QJsonObject entry;
        entry.insert("id", lesson.id);
        entry.insert("title", lesson.title);
        entry.insert("beginTime", begin.toString("yyyy-MM-dd HH:mm:ss"));
        entry.insert("endTime", begin.addSecs(45 * 60).toString("yyyy-MM-dd HH:mm:ss"));
        entry.insert("actualTime", "45");
        entry.insert("gradeName", account().gradeName);
        entry.insert("className", account().className);
        entry.insert("tClass", lesson.tClass());
        entry.insert("subjectName", lesson.subjectName);
        entry.insert("teacherId", lesson.teacherId.toLongLong());
        entry.insert("teacherName", lesson.teacherName);
        entry.insert("sort", 1);
        entry.insert("classState", lesson.classState);
        entry.insert("lessonType", lesson.lessonType);
        entry.insert("videoId", QString("video%1").arg(lesson.id));
        body.append(entry);
    }
    QJsonObject reply;
    reply.insert("loginStatus", "0");
    reply.insert("requestStatus", "success");
    reply.insert("requestBody", body);
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

void ClassroomSandbox::installRoutes()
{
    m_http->setHandler("/mobile/httpUserLogin", [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = restLoginReply(request.form.value("userCode"), request.form.value("passWord"));
        return reply;
    });

    m_http->setHandler("/mobile/httpGetAttendCourseList", [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = courseListReply(request.form.value("lessonType"), request.form.value("pageIndex"));
        return reply;
    });

    // The login line: "0", user code, password, user kind.
    m_classroom->setAnswer("0\t", [this](const QString &line) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 5 && fields.at(4) == "1") {
            // A logout: the server closes the connection.
            QTimer::singleShot(0, m_classroom, &FakeClassroomServer::drop);
            m_joined = Lesson {};
            m_joinedUserId.clear();
            emit lessonLeft();
            return QStringList();
        }
        if (fields.size() < 4)
            return QStringList();
        FakeClassroomServer::LoginReply reply = m_loginReply;
        const Account account = accountFor(fields.at(1), fields.at(2));
        if (account.userId.isEmpty()) {
            reply.result = "2";
        } else {
            reply.userId = account.userId;
            reply.userName = account.userName;
            reply.accountId = "a" + account.userId;
            reply.loginSignId = loginSignIdOf(account.userId);
        }
        return QStringList { reply.line() };
    });
    m_classroom->answerHeartbeats(true);
    // The join line: "6", user id, class id, title, class type, lesson id, title. Scenes start after the answer.
    m_classroom->setAnswer("6\t", [this](const QString &line) {
        const QStringList fields = line.split('\t');
        const Lesson lesson = lessonByClassId(fields.value(2));
        m_joined = lesson;
        m_joinedUserId = fields.value(1);
        if (lesson.id != 0)
            QTimer::singleShot(0, this, [this, lesson] { emit lessonJoined(lesson); });
        return QStringList { "6\t0" };
    });
    // The participant list the client asks for on entering and after a reconnect.
    m_classroom->setAnswer(
        "3\t", [this](const QString &) { return QStringList { "3\t" + participantJson(lessonParticipants()) }; });
    m_classroom->setAnswer("25\t", [](const QString &) { return QStringList { "25\t1" }; });
}
