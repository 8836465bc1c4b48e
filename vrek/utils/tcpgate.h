#ifndef TCPGATE_H
#define TCPGATE_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

class TcpSocket;

// What a TcpServer asks about connections before its owner takes them. With a gate, a connection stays at the gate
// until the gate hands it on, and the owner hears of nothing else: strangers that come, talk and go at any rate cost
// the owner's thread nothing. Every call comes from the accepting or a socket thread, several at once: an
// implementation guards its own state.
class TcpGate
{
public:
    virtual ~TcpGate() = default;

    // A new connection from the address, on the accepting thread, before it has a socket. False refuses it; the ids
    // of connections that must give way to it go into giveWay.
    virtual bool admit(qintptr id, const QString &address, QList<qintptr> &giveWay) = 0;
    // Its socket is up, in its thread, and may be written to.
    virtual void opened(TcpSocket &socket) = 0;
    // A payload of a connection at the gate, in its socket's thread; the gate may answer it through the socket. True
    // hands the connection on: the owner hears of it and gets this payload as its first.
    virtual bool payload(TcpSocket &socket, const QByteArray &payload) = 0;
    // How long a connection may stay at the gate, read for each new one (0: for ever).
    virtual int holdTimeoutMs() const = 0;
    // The connection stayed that long; it is dropped once this returns.
    virtual void heldTooLong(TcpSocket &socket) = 0;
    // The connection is gone or was refused, handed on or not; from the thread that saw it go.
    virtual void gone(qintptr id) = 0;
};

#endif // TCPGATE_H
