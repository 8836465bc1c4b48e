#include "vrek/utils/httpengine.h"

#include <QDebug>
#include <QMetaType>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {
const int registered = qRegisterMetaType<HttpEngine::RequestStatus>("HttpEngine::RequestStatus");
}

HttpEngine::HttpEngine(const QString &requestId, const QString &url, const QHash<QString, QString> &params,
    int requestType, QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_requestId(requestId)
    , m_url(url)
    , m_requestParams(params)
    , m_requestType(requestType)
    , m_manager(manager)
{
    Q_UNUSED(registered)
}

HttpEngine::~HttpEngine()
{
    dropReply();
}

QByteArray HttpEngine::encodeForm(const QHash<QString, QString> &params)
{
    QByteArray form;
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        if (!form.isEmpty())
            form += '&';
        form += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return form;
}

void HttpEngine::start()
{
    qDebug() << "url:" << m_url;
    if (m_reply || m_finished)
        return;
    if (!m_manager) {
        qWarning() << "no network manager, url:" << m_url;
        finish(Error, QString());
        return;
    }
    const QByteArray form = encodeForm(m_requestParams);
    if (m_requestType == Get) {
        QUrl url(m_url);
        if (!form.isEmpty())
            url.setQuery(QString::fromLatin1(form), QUrl::StrictMode);
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        m_reply = m_manager->get(request);
    } else {
        QNetworkRequest request { QUrl(m_url) };
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        m_reply = m_manager->post(request, form);
    }
    connect(m_reply, &QNetworkReply::finished, this, &HttpEngine::replyFinish);
}

void HttpEngine::replyFinish()
{
    QNetworkReply *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply != m_reply || m_finished)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 302) {
        const QUrl target
            = reply->url().resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        if (!target.isValid() || target.isEmpty()) {
            qWarning() << "redirect without a target, url:" << m_url;
            finish(Error, QString());
            return;
        }
        if (++m_redirects > maxRedirects) {
            qWarning() << "too many redirects, url:" << m_url << "last:" << target;
            finish(Error, QString());
            return;
        }
        dropReply();
        m_reply = m_manager->get(QNetworkRequest(target));
        connect(m_reply, &QNetworkReply::finished, this, &HttpEngine::replyFinish);
        return;
    }
    if (status != 200 || reply->error() != QNetworkReply::NoError) {
        // Neither a non-200 answer nor a cut body may pass for a reply: the caller hears of the failure now.
        qWarning() << "request failed, url:" << m_url << "status:" << status << "error:" << reply->error();
        finish(Error, QString());
        return;
    }
    const QByteArray body = reply->readAll();
    finish(Success, QString::fromUtf8(body));
}

void HttpEngine::finish(RequestStatus status, const QString &body)
{
    if (m_finished)
        return;
    m_finished = true;
    dropReply();
    emit signalRequestResult(m_requestId, m_url, status, body);
}

void HttpEngine::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
}
