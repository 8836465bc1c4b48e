#include "platform/sounddevices/pulseconnection.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {
// The loop never sleeps longer than this at a time, so a deadline is kept to within a few milliseconds.
constexpr qint64 pollSliceUs = 5000;
} // namespace

PulseConnection::PulseConnection() = default;

PulseConnection::~PulseConnection()
{
    disconnect();
}

void PulseConnection::disconnect()
{
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

bool PulseConnection::isReady() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseConnection::runUntil(const QDeadlineTimer &deadline, const std::function<bool()> &done)
{
    while (!done()) {
        const qint64 leftUs = deadline.remainingTimeNSecs() / 1000;
        if (deadline.hasExpired() || leftUs <= 0)
            return false;
        if (pa_mainloop_prepare(m_loop, int(std::min(leftUs, pollSliceUs))) < 0 || pa_mainloop_poll(m_loop) < 0
            || pa_mainloop_dispatch(m_loop) < 0)
            return false;
    }
    return true;
}

bool PulseConnection::connect(const QDeadlineTimer &deadline)
{
    if (m_context) {
        // Take in what arrived since the last call: a server that went away shows up here.
        pa_mainloop_iterate(m_loop, 0, nullptr);
        if (isReady())
            return true;
        disconnect();
    }
    m_loop = pa_mainloop_new();
    if (!m_loop)
        return false;
    m_context = pa_context_new(pa_mainloop_get_api(m_loop), "TaviStudent");
    if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        disconnect();
        return false;
    }
    bool failed = false;
    const bool settled = runUntil(deadline, [&] {
        const pa_context_state_t state = pa_context_get_state(m_context);
        failed = !PA_CONTEXT_IS_GOOD(state);
        return state == PA_CONTEXT_READY || failed;
    });
    if (!settled || failed) {
        disconnect();
        return false;
    }
    return true;
}

bool PulseConnection::wait(pa_operation *operation, const QDeadlineTimer &deadline)
{
    if (!operation)
        return false;
    const bool ended = runUntil(deadline, [&] {
        return pa_operation_get_state(operation) != PA_OPERATION_RUNNING || !isReady();
    }) && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    if (!ended)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    if (!ended)
        disconnect();
    return ended;
}
