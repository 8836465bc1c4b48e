#ifndef PULLFRMANAGER_H
#define PULLFRMANAGER_H

#include <QObject>
#include <QString>

// The first-reply exchange: the lecturer asks the class for a first reply (10), students answer (12) or
// withdraw (13) personally, the lecturer ends the request (11), and the lecturer's side is told whose stream
// to pull. The lecturer's client is the asking side, every other client the answering side.
class PullFRManager : public QObject
{
    Q_OBJECT
public:
    static constexpr unsigned int firstReplyIdLength = 30;

    explicit PullFRManager(QObject *parent = nullptr);
    ~PullFRManager() override;

    bool isRequestRunning() const { return m_requestRunning; }
    QString firstReplyId() const { return m_frId; }
    QString askerId() const { return m_askerId; }

signals:
    void sendPullFRStartOut(QString userId);
    void sendPullFRStopOut(QString userId);
    void showFRStartOut();
    void showFRStopOut();

public slots:
    // Asking side.
    void startRequestFRIn();
    void stopRequestFRIn();
    void receiveResponseFRStartIn(QString fromUserId, QString frId);
    void receiveResponseFRStopIn(QString fromUserId, QString frId);
    // Answering side.
    void sendResponseFRStartIn();
    void sendResponseFRStopIn();
    void receiveRequestFRStartIn(QString fromUserId, QString frId);
    void receiveRequestFRStopIn(QString fromUserId, QString frId);

private:
    bool verifyFirstReplyId(const QString &frId) const;
    void sendStreamMediaMessage(quint32 type, const QString &toUserId);

    bool m_isLect;
    QString m_askerId;
    QString m_frId;
    bool m_requestRunning = false;
};

#endif // PULLFRMANAGER_H
