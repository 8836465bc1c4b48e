#ifndef HTTPENGINE_H
#define HTTPENGINE_H

#include <QHash>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Carries out one REST request on the shared QNetworkAccessManager and reports its outcome exactly once.
// Lives in the manager's thread; knows nothing of paths or JSON.
class HttpEngine : public QObject
{
    Q_OBJECT
public:
    enum RequestStatus {
        Success = 0,
        Cancelled = 1,
        Error = 2,
    };
    Q_ENUM(RequestStatus)

    enum RequestType {
        Post = 0,
        Get = 1,
    };

    // A redirect chain longer than this is a loop as far as the client is concerned.
    static constexpr int maxRedirects = 10;

    HttpEngine(const QString &requestId, const QString &url, const QHash<QString, QString> &params, int requestType,
        QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~HttpEngine() override;

    QString requestId() const { return m_requestId; }
    QString url() const { return m_url; }

    // Form encoding in which every character survives: a "+" or "&" in a value is sent percent-encoded.
    static QByteArray encodeForm(const QHash<QString, QString> &params);

signals:
    void signalRequestResult(
        const QString &requestId, const QString &url, HttpEngine::RequestStatus status, const QString &body);

public slots:
    void start();
    void replyFinish();

private:
    void finish(RequestStatus status, const QString &body);
    void dropReply();

    QString m_requestId;
    QString m_url;
    QHash<QString, QString> m_requestParams;
    int m_requestType = Post;
    QNetworkReply *m_reply = nullptr;
    QNetworkAccessManager *m_manager = nullptr;
    int m_redirects = 0;
    bool m_finished = false;
};

Q_DECLARE_METATYPE(HttpEngine::RequestStatus)

#endif // HTTPENGINE_H
