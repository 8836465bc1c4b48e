#ifndef HTTPREQUESTPRIVATE_H
#define HTTPREQUESTPRIVATE_H

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// The half of HttpRequest that lives in the shared manager's thread and issues the requests there.
class HttpRequestPrivate : public QObject
{
    Q_OBJECT
public:
    explicit HttpRequestPrivate(QObject *parent = nullptr);

signals:
    void signalGet(const QString &requsetName, const QUrl &url, int timeLimit);
    void signalPost(const QString &requsetName, const QUrl &url, const QByteArray &data, int timeLimit);
    void signalFinish(QNetworkReply::NetworkError error, const QString &requsetName, const QByteArray &responseData);

public slots:
    void slotGet(const QString &requsetName, const QUrl &url, int timeLimit);
    void slotPost(const QString &requsetName, const QUrl &url, const QByteArray &data, int timeLimit);

private:
    void track(QNetworkReply *reply, const QString &requsetName, int timeLimit);

    QNetworkAccessManager *m_manager = nullptr;
};

#endif // HTTPREQUESTPRIVATE_H
