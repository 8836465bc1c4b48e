#ifndef LATECTRLMANAGER_H
#define LATECTRLMANAGER_H

#include "vrek/course/latepersonhash.h"
#include "vrek/message/ctrlmessage.h"

#include <QObject>
#include <QPointer>
#include <QString>

class SocketClientManager;

// Replays what the lecturer's side has shown so far to a participant who joins a lesson under way: the
// course files, the courseware drawings and the board drawings, each phase acknowledged by the joiner once
// all its messages have arrived, then the class status. Control messages go person to person through the
// classroom server. The lecturer's client plays the sending side, every other client the joining side.
class LateCtrlManager : public QObject
{
    Q_OBJECT
public:
    // Handshake kinds (ctType).
    enum LateCtrlKind : quint32 {
        LatePhaseSent = 0, // lecturer: phase lateCtrlType sent in lateCount messages
        LatePhaseAck = 1, // joiner: phase received completely
        LateUiType = 2, // lecturer: interface mode uiCtrlType
        LateIgnored = 3,
        LateRequest = 4, // joiner: asks for the replay
        LateBegin = 5, // lecturer: start counting
        LateEnd = 6, // lecturer: the replay is over
        LateEndAck = 7, // joiner
    };

    // connection: where the control messages go; the program's one classroom connection when null.
    explicit LateCtrlManager(QObject *parent = nullptr, SocketClientManager *connection = nullptr);
    ~LateCtrlManager() override;

    bool isLect() const { return m_isLect; }
    QString ownId() const { return m_ownId; }
    const LatePersonHash &latePersonHash() const { return m_latePersonHash; }
    quint32 lateCount() const { return m_lateCount; }
    qint64 lateCountSum() const { return m_lateCountSum; }
    bool isCounting() const { return m_counting; }

signals:
    // Joining side: one per replayed message received.
    void signalLateCountInc(CtrlMessage::LateCtrlType type);
    // Lecturer's side, connected directly: each receiver sends its replay messages to the person and adds
    // their number to count, which arrives as 0.
    void signalSendFileLate(QString personId, quint32 &count);
    void signalSendDrawLate(QString personId, quint32 &count);
    void signalSendBoardLate(QString personId, quint32 &count);
    void signalSendStatusLate(QString personId);
    void signalChangeUIType(int uiType);

public slots:
    // Joining side: the lecturer is present at the first participant list.
    void slotLateMessageStart();
    void slotLateCountInc(CtrlMessage::LateCtrlType type);
    void readCtrlMessage(const CtrlMessage &message);

private:
    void sendCtrlMessageToPerson(const QString &personId, const CtrlMessage &message);
    void sendKind(const QString &personId, quint32 ctType);
    void sendPhase(const QString &personId, quint32 ctType, CtrlMessage::LateCtrlType type, quint32 count);
    void readLateRequest(const QString &personId);
    void readPhaseAck(const CtrlMessage &message);
    void readPhaseSent(const CtrlMessage &message);
    void startCounting();
    void stopCounting();
    void acknowledgePhase();

    QPointer<SocketClientManager> m_connection;
    QString m_ownId;
    bool m_isLect;
    LatePersonHash m_latePersonHash;
    quint32 m_lateCount = 0;
    qint64 m_lateCountSum = -1; // -1: no count announced
    CtrlMessage::LateCtrlType m_lateCtrlType = CtrlMessage::LateCourseFile;
    bool m_counting = false;
};

#endif // LATECTRLMANAGER_H
