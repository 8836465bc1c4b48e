#ifndef SIGNINRIG_H
#define SIGNINRIG_H

#include "tests/support/fakeclassroomserver.h"
#include "tests/support/fakehttpserver.h"
#include "vrek/connectservermanager.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the signing-in tests share: a fake REST server and a fake classroom server on loopback, the classroom
// connection and the REST client pointed at them, and the connect-server manager over both. It runs with the
// product's limits, which no answer of these servers comes near however busy the machine is; a test that waits
// for a time-out shortens the one limit it waits for, and only for the step or request that is to time out.
struct SigninRig
{
    static constexpr int stepMs = 300;
    static constexpr int restTimeoutMs = 600;
    static const QByteArray loginPath;

    SigninRig()
    {
        httpListening = http.listen();
        classroomListening = classroom.listen();
        socket = new SocketClientManager(GlobalEnum::User1);
        socket->setHostAndPort(classroom.host(), classroom.port());
        rest = new HttpClientManager();
        rest->setDnsUrl(http.hostAndPort());
        connectServer = new ConnectServerManager(nullptr, socket, rest);
    }
    // For the steps started from now on.
    void shortenSteps() { connectServer->setStepTimeout(stepMs); }
    // For the requests sent from now on; each keeps the limit it was sent with.
    void shortenRest(int ms = restTimeoutMs) { rest->setRequestTimeouts(ms, ms); }
    void restoreRest()
    {
        rest->setRequestTimeouts(HttpClientManager::requestTimeoutMs, HttpClientManager::schoolLookupTimeoutMs);
    }
    ~SigninRig()
    {
        delete connectServer;
        delete rest;
        delete socket;
    }
    bool isListening() const { return httpListening && classroomListening; }

    // A REST login reply that grants the login with these session values.
    static QByteArray granted(const QString &userId = "1001")
    {
        return QString(R"({"loginStatus":"0","requestStatus":"success","requestBody":[{"userId":%1,)"
                       R"("userCode":"stu","userName":"张三","passWord":"pw-1","loginSignId":"sign-1",)"
                       R"("mobile":"13800000000","gradeName":"三年级","className":"2班","loginStatus":0}]})")
            .arg(userId)
            .toUtf8();
    }
    // Answers every join ("6") and quit ("25") line with the given results.
    void answerJoin(bool ok)
    {
        classroom.setAnswer("6\t", [ok](const QString &) { return QStringList { ok ? "6\t0" : "6\t1" }; });
    }
    void answerQuit(bool ok)
    {
        classroom.setAnswer("25\t", [ok](const QString &) { return QStringList { ok ? "25\t1" : "25\t0" }; });
    }

    static void resetSession()
    {
        g_userId = "1001";
        g_userCode = "stu";
        g_passWord = "pw";
        g_userName.clear();
        g_loginSignId.clear();
        g_mobile.clear();
        g_gradeClassName.clear();
        g_userType = 1;
        g_classId = "c1";
        g_roomId = "r1";
        g_lessonTitle = "Maths";
        g_classType = 4;
    }

    FakeHttpServer http;
    FakeClassroomServer classroom;
    SocketClientManager *socket = nullptr;
    HttpClientManager *rest = nullptr;
    ConnectServerManager *connectServer = nullptr;
    bool httpListening = false;
    bool classroomListening = false;
};

inline const QByteArray SigninRig::loginPath = "/mobile/httpUserLogin";

#endif // SIGNINRIG_H
