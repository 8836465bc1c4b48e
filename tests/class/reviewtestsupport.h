#ifndef REVIEWTESTSUPPORT_H
#define REVIEWTESTSUPPORT_H

// What the recorded-lesson tests share: the REST client over a fake HTTP server, the network tip and the replies
// the school's service gives; with the transfer tests' support (the network engine's thread, FakePrompt).
#include "tests/support/fakehttpserver.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/viewui/httptipmessage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTest>

#include <memory>

// The shared REST client and network tip over a fake server, for one test function.
class ReviewHttp
{
public:
    ReviewHttp()
    {
        server.listen();
        client = new HttpClientManager;
        client->setDnsUrl(server.hostAndPort());
        g_httpClientManager = client;
        tip = new httpTipMessage;
        g_httpTipMessage = tip;
    }
    ~ReviewHttp()
    {
        g_httpTipMessage = nullptr;
        g_httpClientManager = nullptr;
        delete tip;
        delete client;
    }

    FakeHttpServer server;
    HttpClientManager *client = nullptr;
    httpTipMessage *tip = nullptr;

    ReviewHttp(const ReviewHttp &) = delete;
    ReviewHttp &operator=(const ReviewHttp &) = delete;
};

// What the last action left for the event loop has run, and every request made through the client has been
// answered, so has reached the server: a request count read then is final. False on time-out.
inline bool requestsSettled(HttpClientManager *client = g_httpClientManager, int timeoutMs = 10000)
{
    const auto dealtWith = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        client, [dealtWith] { *dealtWith = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return *dealtWith && client->pendingCount() == 0; }, timeoutMs);
}

// {"loginStatus":..,"requestStatus":"success","requestBody":[...]}
inline QByteArray listReply(const QJsonArray &body, const QString &loginStatus = "0")
{
    return QJsonDocument(
        QJsonObject { { "loginStatus", loginStatus }, { "requestStatus", "success" }, { "requestBody", body } })
        .toJson(QJsonDocument::Compact);
}

// A reply whose body is a text, as the service answers what it refuses.
inline QByteArray textReply(const QString &loginStatus, const QString &body = "refused")
{
    return QJsonDocument(
        QJsonObject { { "loginStatus", loginStatus }, { "requestStatus", "success" }, { "requestBody", body } })
        .toJson(QJsonDocument::Compact);
}

// Lessons first .. first + count - 1 of a series, each with a video that may be watched.
inline QJsonArray lessonsJson(int count, int first = 1)
{
    QJsonArray lessons;
    for (int i = first; i < first + count; ++i) {
        lessons.append(QJsonObject { { "id", 7000 + i }, { "title", QString("第%1课").arg(i) },
            { "beginTime", QString("2020-09-01 %1:00:00").arg(i % 24, 2, 10, QChar('0')) }, { "actualTime", "45" },
            { "videoId", QString("v%1").arg(i) }, { "isCanLook", 1 }, { "parentId", 77 }, { "lessonType", 4 } });
    }
    return lessons;
}

#endif // REVIEWTESTSUPPORT_H
