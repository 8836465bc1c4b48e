#include "tests/support/messagecollector.h"

namespace {
QtMessageHandler s_previous = nullptr;
MessageCollector *s_collector = nullptr;
} // namespace

MessageCollector::MessageCollector()
{
    s_collector = this;
    m_previous = qInstallMessageHandler(&MessageCollector::handle);
    s_previous = m_previous;
}

MessageCollector::~MessageCollector()
{
    qInstallMessageHandler(m_previous);
    s_collector = nullptr;
    s_previous = nullptr;
}

int MessageCollector::count(const QString &text) const
{
    int found = 0;
    for (const QString &warning : m_warnings)
        found += warning.contains(text) ? 1 : 0;
    return found;
}

void MessageCollector::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (s_collector) {
        s_collector->m_messages.append(message);
        if (type != QtDebugMsg && type != QtInfoMsg)
            s_collector->m_warnings.append(message);
    }
    if (s_previous)
        s_previous(type, context, message);
}
