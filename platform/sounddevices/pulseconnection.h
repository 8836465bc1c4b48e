#ifndef PULSECONNECTION_H
#define PULSECONNECTION_H

#include <QDeadlineTimer>

#include <functional>

struct pa_context;
struct pa_mainloop;
struct pa_operation;

// One connection to the sound server, driven from the calling thread and only while a call waits on it, so
// nothing runs behind the caller's back and every wait ends by its deadline, also when the server has stopped
// answering (a frozen server still accepts the connection and then says nothing). One thread at a time.
class PulseConnection
{
public:
    PulseConnection();
    ~PulseConnection();

    // Connects unless already connected; false when no server was ready by the deadline. A connection that
    // broke since the last call is dropped and made again.
    bool connect(const QDeadlineTimer &deadline);
    void disconnect();
    bool isConnected() const { return m_context != nullptr; }
    pa_context *context() const { return m_context; }

    // Waits until the operation has ended (its callback ran). At the deadline, or when the connection breaks,
    // the operation is cancelled and the connection dropped (what the server says later would answer a
    // question nobody asks any more). Takes over the reference; a null operation is a failure.
    bool wait(pa_operation *operation, const QDeadlineTimer &deadline);

    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

private:
    // Runs the loop until done() or the deadline, never blocking past the deadline.
    bool runUntil(const QDeadlineTimer &deadline, const std::function<bool()> &done);
    bool isReady() const;

    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
};

#endif // PULSECONNECTION_H
