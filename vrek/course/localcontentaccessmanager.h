#ifndef LOCALCONTENTACCESSMANAGER_H
#define LOCALCONTENTACCESSMANAGER_H

#include <QNetworkAccessManager>

// The network access of a shared course deck's web page: the deck is not trusted, so it reaches its own local
// files and nothing else; a request for any other address fails at once and never leaves the machine.
class LocalContentAccessManager : public QNetworkAccessManager
{
    Q_OBJECT
public:
    explicit LocalContentAccessManager(QObject *parent = nullptr);
    ~LocalContentAccessManager() override;

    static bool isLocal(const QUrl &url);

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *outgoingData) override;
};

#endif // LOCALCONTENTACCESSMANAGER_H
