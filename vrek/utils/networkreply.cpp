#include "vrek/utils/networkreply.h"

#include <QDebug>
#include <QTimer>

NetWorkReply::NetWorkReply(QNetworkReply *reply, const QString &requsetName, int timeLimit, QObject *parent)
    : QObject(parent)
    , m_requestName(requsetName)
    , m_reply(reply)
{
    connect(m_reply, &QNetworkReply::finished, this, &NetWorkReply::slotFinished);
    if (timeLimit != 0)
        QTimer::singleShot(timeLimit, this, &NetWorkReply::slotTimeout);
}

NetWorkReply::~NetWorkReply()
{
    m_reply->disconnect(this);
    if (m_reply->isRunning())
        m_reply->abort();
    m_reply->deleteLater();
}

void NetWorkReply::slotTimeout()
{
    qDebug() << "requestName:" << m_requestName << "isRunning:" << m_reply->isRunning();
    if (m_reply->isRunning()) {
        m_timedOut = true;
        m_reply->abort();
    }
}

void NetWorkReply::slotFinished()
{
    m_reply->disconnect(this);
    QNetworkReply::NetworkError error = m_reply->error();
    if (m_timedOut)
        error = QNetworkReply::TimeoutError;
    const QByteArray body = error == QNetworkReply::NoError ? m_reply->readAll() : QByteArray();
    emit signalFinish(error, m_requestName, body);
    deleteLater();
}
