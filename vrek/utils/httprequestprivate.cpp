#include "vrek/utils/httprequestprivate.h"

#include "vrek/utils/networkengine.h"
#include "vrek/utils/networkreply.h"

#include <QDebug>
#include <QMetaType>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QThread>

HttpRequestPrivate::HttpRequestPrivate(QObject *parent)
    : QObject(parent)
    , m_manager(g_networkEngine ? g_networkEngine->networkManager() : nullptr)
{
    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    if (m_manager) {
        QThread *thread = m_manager->thread();
        moveToThread(thread);
        if (!thread->isRunning())
            thread->start(QThread::InheritPriority);
    } else {
        // Without the shared engine the requests still run, on a manager of their own in this thread.
        qWarning() << "the network engine has no manager, using a private one";
        m_manager = new QNetworkAccessManager(this);
    }
    connect(this, &HttpRequestPrivate::signalGet, this, &HttpRequestPrivate::slotGet, Qt::QueuedConnection);
    connect(this, &HttpRequestPrivate::signalPost, this, &HttpRequestPrivate::slotPost, Qt::QueuedConnection);
}

void HttpRequestPrivate::slotGet(const QString &requsetName, const QUrl &url, int timeLimit)
{
    track(m_manager->get(QNetworkRequest(url)), requsetName, timeLimit);
}

void HttpRequestPrivate::slotPost(const QString &requsetName, const QUrl &url, const QByteArray &data, int timeLimit)
{
    track(m_manager->post(QNetworkRequest(url), data), requsetName, timeLimit);
}

void HttpRequestPrivate::track(QNetworkReply *reply, const QString &requsetName, int timeLimit)
{
    NetWorkReply *wrapper = new NetWorkReply(reply, requsetName, timeLimit, this);
    connect(wrapper, &NetWorkReply::signalFinish, this, &HttpRequestPrivate::signalFinish);
}
