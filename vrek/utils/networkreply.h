#ifndef NETWORKREPLY_H
#define NETWORKREPLY_H

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>

// One request of HttpRequest: watches its time limit and reports the outcome once, then goes away.
class NetWorkReply : public QObject
{
    Q_OBJECT
public:
    NetWorkReply(QNetworkReply *reply, const QString &requsetName, int timeLimit, QObject *parent = nullptr);
    ~NetWorkReply() override;

signals:
    void signalFinish(QNetworkReply::NetworkError error, const QString &requsetName, const QByteArray &responseData);

public slots:
    void slotFinished();
    void slotTimeout();

private:
    bool m_timedOut = false;
    QString m_requestName;
    QNetworkReply *m_reply;
};

#endif // NETWORKREPLY_H
