#include "vrek/course/localcontentaccessmanager.h"

#include <QDebug>
#include <QNetworkRequest>

LocalContentAccessManager::LocalContentAccessManager(QObject *parent)
    : QNetworkAccessManager(parent)
{ }

LocalContentAccessManager::~LocalContentAccessManager() = default;

bool LocalContentAccessManager::isLocal(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("file") || scheme == QLatin1String("qrc") || scheme == QLatin1String("data")
        || scheme == QLatin1String("about");
}

QNetworkReply *LocalContentAccessManager::createRequest(
    Operation op, const QNetworkRequest &request, QIODevice *outgoingData)
{
    if (isLocal(request.url()))
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    qWarning() << "the deck may not reach a remote address! url:" << request.url().toString();
    // A request without address fails with an error reply and goes nowhere.
    return QNetworkAccessManager::createRequest(op, QNetworkRequest(QUrl()), outgoingData);
}
