#ifndef TRANSFERTESTSUPPORT_H
#define TRANSFERTESTSUPPORT_H

// What the transfer tests share: the network engine in a thread of its own, file contents that show misplaced
// bytes, the file server's answer to an upload request, answers to the windows' questions, and a disk that fills.
#include "tests/support/filesizelimit.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/utils/networkengine.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QThread>

#include <memory>

// The network engine's manager in a started "Network Engine" thread, stopped with the object.
class NetworkEngineThread
{
public:
    NetworkEngineThread()
    {
        m_thread.setObjectName("Network Engine");
        g_networkEngine->moveThread(&m_thread);
        m_thread.start();
    }
    ~NetworkEngineThread()
    {
        m_thread.quit();
        m_thread.wait();
    }
    QThread *thread() { return &m_thread; }
    // Runs what was posted to the thread before this call.
    static void flush()
    {
        QMetaObject::invokeMethod(
            g_networkEngine, [] {}, Qt::BlockingQueuedConnection);
    }
    // The requests of the engine's manager that have not ended yet (a reply is its manager's child until deleted).
    static int requestsUnderWay()
    {
        int open = 0;
        QMetaObject::invokeMethod(
            g_networkEngine,
            [&open] {
                const QList<QNetworkReply *> replies
                    = g_networkEngine->networkManager()->findChildren<QNetworkReply *>();
                for (const QNetworkReply *reply : replies)
                    open += reply->isFinished() ? 0 : 1;
            },
            Qt::BlockingQueuedConnection);
        return open;
    }
    // What this thread had queued has run, then what the engine's thread had (a job's start among it, and what
    // that queued in turn), and every request made through the engine's manager has been answered or dropped: a
    // request count read at the server then is final. False on time-out.
    static bool settled(int timeoutMs = 10000)
    {
        const auto dealtWith = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [dealtWith] { *dealtWith = true; }, Qt::QueuedConnection);
        if (!QTest::qWaitFor([&] { return *dealtWith; }, timeoutMs))
            return false;
        if (!roundTripThrough(g_networkEngine->thread(), 3, timeoutMs))
            return false;
        return QTest::qWaitFor([] { return requestsUnderWay() == 0; }, timeoutMs);
    }

    NetworkEngineThread(const NetworkEngineThread &) = delete;
    NetworkEngineThread &operator=(const NetworkEngineThread &) = delete;

private:
    QThread m_thread;
};

// Bytes that differ from their neighbours and repeat only after long stretches.
inline QByteArray transferPattern(qint64 size)
{
    QByteArray bytes(int(size), '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 13 + i / 509) & 0xff);
    return bytes;
}

// {"result":[{"fileId","fileName","status"}]}
inline QByteArray chunkAnswer(const QString &fileId, const QString &status, const QString &fileName = "f.bin")
{
    const QJsonObject entry { { "fileId", fileId }, { "fileName", fileName }, { "status", status } };
    return QJsonDocument(QJsonObject { { "result", QJsonArray { entry } } }).toJson(QJsonDocument::Compact);
}

// Answers a window's questions as the test says and records them.
class FakePrompt : public TransferFilePrompt
{
public:
    QString path;
    // Answers to the save dialogs, one each, in order; an empty list cancels.
    QStringList savePaths;
    bool yes = true;
    QStringList informations;
    QStringList questions;

    QString openFile(QWidget *, const QString &title, const QString &filter) override
    {
        questions << title + "|" + filter;
        return path;
    }
    QString saveFile(QWidget *, const QString &title, const QString &proposed, const QString &filter) override
    {
        questions << title + "|" + proposed + "|" + filter;
        return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
    }
    void information(QWidget *, const QString &title, const QString &text) override
    {
        informations << title + "|" + text;
    }
    bool question(
        QWidget *, const QString &title, const QString &text, const QString &yesText, const QString &noText) override
    {
        questions << title + "|" + text + "|" + yesText + "|" + noText;
        return yes;
    }
};

#endif // TRANSFERTESTSUPPORT_H
