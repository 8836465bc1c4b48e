#include "vrek/utils/httprequest.h"

#include "vrek/utils/httprequestprivate.h"

#include <QDebug>
#include <QUrl>

HttpRequest::HttpRequest(QObject *parent)
    : QObject(parent)
    , m_private(new HttpRequestPrivate())
{
    connect(m_private, &HttpRequestPrivate::signalFinish, this, &HttpRequest::signalFinish);
}

HttpRequest::~HttpRequest()
{
    m_private->deleteLater();
}

void HttpRequest::get(const QString &requsetName, const QUrl &url, int timeLimit)
{
    qDebug() << "requestName:" << requsetName << "url:" << url << "timeLimit:" << timeLimit;
    emit m_private->signalGet(requsetName, url, timeLimit);
}

void HttpRequest::post(const QString &requsetName, const QUrl &url, const QByteArray &data, int timeLimit)
{
    qDebug() << "requestName:" << requsetName << "url:" << url << "timeLimit:" << timeLimit;
    emit m_private->signalPost(requsetName, url, data, timeLimit);
}
