#ifndef PADGATE_H
#define PADGATE_H

#include "vrek/message/pptmessage.h"
#include "vrek/utils/tcpgate.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QReadWriteLock>
#include <QString>

// The pad link's side of its server's gate: what a connection that has not logged in meets, in its socket's
// thread. It answers the login handshake and the heartbeats, refuses logins while the pairing code is off the
// screen or a pad is logged in, keeps the places of such connections within their caps and times them out; only a
// connection whose login may be taken is handed on to the pad link's manager. So strangers, at any number and rate,
// cost the manager's thread nothing.
//
// Places: at most maxUnpairedConnections connections without a login, at most maxUnpairedPerAddress of one address.
// When the newcomer's address is full, its own oldest gives way. When all places are taken, one that has had its
// time to log in (placeGraceMs) gives way, of the address that holds the most, oldest first; when every one came
// just now, a newcomer whose address comes far more often than theirs is refused, and otherwise the oldest of the
// address that came most often gives way. A pad comes once and logs in at once: strangers that come back as fast as
// they are dropped, from one address or many, and strangers that sit on their places, cannot push it out.
class PadGate : public TcpGate
{
public:
    static constexpr int maxUnpairedConnections = 16;
    static constexpr int maxUnpairedPerAddress = 4;
    static constexpr int placeGraceMs = 2000;
    // Arrivals are counted per address over the last ten to twenty seconds.
    static constexpr int arrivalWindowMs = 10000;
    // A newcomer is refused when its address came more than twice as often as any holder's, and this many times
    // more: a pad that tries again now and then is never taken for a flood.
    static constexpr int arrivalMargin = 8;
    // Addresses whose arrivals are counted; the quietest are forgotten beyond them.
    static constexpr int maxCountedAddresses = 1024;

    // What one payload of the pad link asks of whoever reads it.
    struct Reading
    {
        enum Kind { Nothing, LoginPwd, HeartBeat, Course };
        Kind kind = Nothing;
        // To send back, when not empty.
        QByteArray answer;
        PPtMessage course;
    };

    // The beat table and its lock are the manager's: the gate enters and removes the connections it meets.
    PadGate(const QString &uid, const QString &un, const QString &machineId, const QString &loginToken,
        QHash<qintptr, quint8> &beatTable, QReadWriteLock &beatLock);

    // Reads one payload as the pad link does, for the logged-in pad (fromPad) or for any other connection; a
    // LoginPwd reading means the user id and machine id were right. From any thread.
    Reading read(const QByteArray &payload, qintptr sid, bool fromPad) const;
    // The messages the PC sends (ui, mi, un; mi and the token).
    QByteArray loginMessage(quint32 type) const;
    QByteArray tokenMessage(quint32 type) const;

    void setPairingOpen(bool open) { m_pairingOpen.storeRelease(open ? 1 : 0); }
    bool isPairingOpen() const { return m_pairingOpen.loadAcquire() != 0; }
    // The connection that logged in (0: none): it holds no place from now on.
    void setPad(qintptr sid);
    bool isPadConnected() const { return m_padConnected.loadAcquire() != 0; }
    // The connection whose login the manager is taking, 0 for none; one at a time.
    qintptr claimant() const;
    void release(qintptr sid);
    void setLoginTimeout(int ms) { m_loginTimeoutMs.storeRelease(ms); }
    // For tests: the connections without a login that hold a place, and a shorter time to log in before a place
    // counts as had.
    int placesTaken() const;
    void setPlaceGrace(int ms) { m_placeGraceMs.storeRelease(ms); }

    bool admit(qintptr id, const QString &address, QList<qintptr> &giveWay) override;
    void opened(TcpSocket &socket) override;
    bool payload(TcpSocket &socket, const QByteArray &payload) override;
    int holdTimeoutMs() const override { return m_loginTimeoutMs.loadAcquire(); }
    void heldTooLong(TcpSocket &socket) override;
    void gone(qintptr id) override;

private:
    struct Place
    {
        QString address;
        quint64 order = 0;
        qint64 since = 0;
    };
    struct Arrivals
    {
        qint64 window = 0;
        int current = 0;
        int previous = 0;
    };
    // With the mutex held.
    int arrivalsOf(const QString &address, qint64 now);
    void countArrival(const QString &address, qint64 now);
    // The place that gives way to a newcomer from the address: 0 for none, -1 when the newcomer is refused.
    qintptr placeToFree(const QString &address, qint64 now);
    bool verifyPassword(const QString &password) const;
    void removeBeat(qintptr sid);

    const QString m_uid;
    const QString m_un;
    const QString m_machineId;
    const QString m_loginToken;
    const QByteArray m_loginMsg;
    const QByteArray m_loginRep;
    const QByteArray m_heartBeat;
    QHash<qintptr, quint8> &m_beatTable;
    QReadWriteLock &m_beatLock;
    QAtomicInt m_pairingOpen;
    QAtomicInt m_padConnected;
    QAtomicInt m_loginTimeoutMs;
    QAtomicInt m_placeGraceMs { placeGraceMs };

    mutable QMutex m_mutex;
    QElapsedTimer m_clock;
    QHash<qintptr, Place> m_places;
    QHash<QString, Arrivals> m_arrivals;
    quint64 m_order = 0;
    qintptr m_claimant = 0;
};

#endif // PADGATE_H
