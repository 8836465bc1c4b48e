#ifndef NOISEFLOOD_H
#define NOISEFLOOD_H

#include <QHostAddress>

// Strangers on the network: many connections, a number of them open at a time, each of which sends 1-64 KiB of
// random bytes and closes. Runs the event loop of the calling thread until all have ended.
class NoiseFlood
{
public:
    // True once every connection has ended (refused, dropped or closed); false on time-out.
    static bool run(const QHostAddress &host, quint16 port, int connections, quint32 seed, int inFlight = 24,
        int timeoutMs = 120000);
};

#endif // NOISEFLOOD_H
