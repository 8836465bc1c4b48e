#ifndef HTTPREQUEST_H
#define HTTPREQUEST_H

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class HttpRequestPrivate;
class QUrl;

// A small HTTP client beside the REST client: GET or POST under a caller-chosen name and time limit, answered
// once per request by signalFinish with the network error, the name and the body (empty on any error).
class HttpRequest : public QObject
{
    Q_OBJECT
public:
    explicit HttpRequest(QObject *parent = nullptr);
    ~HttpRequest() override;

    // A time limit of 0 waits for the server without limit.
    void get(const QString &requsetName, const QUrl &url, int timeLimit);
    void post(const QString &requsetName, const QUrl &url, const QByteArray &data, int timeLimit);

signals:
    void signalFinish(QNetworkReply::NetworkError error, const QString &requsetName, const QByteArray &responseData);

private:
    HttpRequestPrivate *m_private;
};

#endif // HTTPREQUEST_H
