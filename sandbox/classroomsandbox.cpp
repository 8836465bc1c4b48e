#include "sandbox/classroomsandbox.h"

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
{ }

ClassroomSandbox::~ClassroomSandbox() = default;

bool ClassroomSandbox::start(quint16 httpPort, quint16 classroomPort)
{
    if (!m_http->listen(httpPort) || !m_classroom->listen(classroomPort))
        return false;
    installRoutes();
    return true;
}

quint16 ClassroomSandbox::httpPort() const
{
    return m_http->port();
}

quint16 ClassroomSandbox::classroomPort() const
{
    return m_classroom->port();
}

QByteArray ClassroomSandbox::restLoginReply(const QString &userCode, const QString &password) const
{
    QJsonObject body;
    if (userCode == m_account.userCode && password == m_account.password) {
        body.insert("userId", m_account.userId.toLongLong());
        body.insert("userCode", m_account.userCode);
        body.insert("userName", m_account.userName);
        body.insert("passWord", m_account.password);
        body.insert("loginSignId", "sandbox-" + m_account.userId);
        body.insert("mobile", "13800000000");
        body.insert("gradeName", m_account.gradeName);
        body.insert("className", m_account.className);
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
    struct Lesson
    {
        int id;
        const char *title;
        int lessonType;
        const char *subjectName;
        const char *teacherName;
        qint64 startsIn; // seconds from now
    };
    const Lesson lessons[] = {
        { 3101, "分数的初步认识", 4, "数学", "王老师", 5 * 60 },
        { 3102, "英语口语练习", 8, "英语", "陈老师", 2 * 3600 },
    };
    const QDateTime now = QDateTime::currentDateTime();
    QJsonArray body;
    for (const Lesson &lesson : lessons) {
        if (pageIndex != "1" || (lessonType != "all" && lessonType != QString::number(lesson.lessonType)))
            continue;
        const QDateTime begin = now.addSecs(lesson.startsIn);
        QJsonObject entry;
        entry.insert("id", lesson.id);
        entry.insert("title", QString::fromUtf8(lesson.title));
        entry.insert("beginTime", begin.toString("yyyy-MM-dd HH:mm:ss"));
        entry.insert("endTime", begin.addSecs(45 * 60).toString("yyyy-MM-dd HH:mm:ss"));
        entry.insert("actualTime", "45");
        entry.insert("gradeName", m_account.gradeName);
        entry.insert("className", m_account.className);
        entry.insert("tClass", QString("class%1").arg(lesson.id));
        entry.insert("subjectName", QString::fromUtf8(lesson.subjectName));
        entry.insert("teacherId", 900 + lesson.id % 100);
        entry.insert("teacherName", QString::fromUtf8(lesson.teacherName));
        entry.insert("sort", 1);
        entry.insert("classState", 1);
        entry.insert("lessonType", lesson.lessonType);
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

    FakeClassroomServer::LoginReply granted;
    granted.userId = m_account.userId;
    granted.userName = m_account.userName;
    granted.accountId = "a" + m_account.userId;
    granted.loginSignId = "sandbox-" + m_account.userId;
    granted.rtmpHost = "127.0.0.1";
    granted.webrtcHost = "127.0.0.1";
    // The login line: "0", user code, password, user kind.
    m_classroom->setAnswer("0\t", [this, granted](const QString &line) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 5 && fields.at(4) == "1") {
            // A logout: the server closes the connection.
            QTimer::singleShot(0, m_classroom, &FakeClassroomServer::drop);
            return QStringList();
        }
        if (fields.size() < 4)
            return QStringList();
        FakeClassroomServer::LoginReply reply = granted;
        if (fields.at(1) != m_account.userCode || fields.at(2) != m_account.password)
            reply.result = "2";
        return QStringList { reply.line() };
    });
    m_classroom->answerHeartbeats(true);
    m_classroom->setAnswer("6\t", [](const QString &) { return QStringList { "6\t0" }; });
    m_classroom->setAnswer("25\t", [](const QString &) { return QStringList { "25\t1" }; });
}
