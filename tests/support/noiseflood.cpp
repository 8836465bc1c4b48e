#include "tests/support/noiseflood.h"

#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTest>

bool NoiseFlood::run(const QHostAddress &host, quint16 port, int connections, quint32 seed, int inFlight, int timeoutMs)
{
    QRandomGenerator random(seed);
    int started = 0;
    QList<QTcpSocket *> open;
    QElapsedTimer clock;
    clock.start();
    while ((started < connections || !open.isEmpty()) && clock.elapsed() < timeoutMs) {
        while (started < connections && open.size() < inFlight) {
            auto *client = new QTcpSocket;
            QByteArray bytes(int(random.bounded(1024, 64 * 1024 + 1)), Qt::Uninitialized);
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            QObject::connect(client, &QTcpSocket::connected, client, [client, bytes] {
                client->write(bytes);
                client->disconnectFromHost();
            });
            client->connectToHost(host, port);
            open.append(client);
            ++started;
        }
        QTest::qWait(2);
        for (auto it = open.begin(); it != open.end();) {
            if ((*it)->state() == QAbstractSocket::UnconnectedState) {
                delete *it;
                it = open.erase(it);
            } else {
                ++it;
            }
        }
    }
    const bool done = open.isEmpty();
    qDeleteAll(open);
    return done;
}
