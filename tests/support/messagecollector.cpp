#include "tests/support/messagecollector.h"

#include <QMutex>

namespace {
// Guards the collector's lists and its going: another thread may be logging while a test ends.
QMutex s_mutex;
QtMessageHandler s_previous = nullptr;
MessageCollector *s_collector = nullptr;
} // namespace

MessageCollector::MessageCollector()
{
    QMutexLocker locker(&s_mutex);
    s_collector = this;
    m_previous = qInstallMessageHandler(&MessageCollector::handle);
    s_previous = m_previous;
}

MessageCollector::~MessageCollector()
{
    qInstallMessageHandler(m_previous);
    QMutexLocker locker(&s_mutex);
    s_collector = nullptr;
    s_previous = nullptr;
}

QStringList MessageCollector::warnings() const
{
    QMutexLocker locker(&s_mutex);
    return m_warnings;
}

QStringList MessageCollector::messages() const
{
    QMutexLocker locker(&s_mutex);
    return m_messages;
}

void MessageCollector::clear()
{
    QMutexLocker locker(&s_mutex);
    m_warnings.clear();
    m_messages.clear();
}

int MessageCollector::count(const QString &text) const
{
    int found = 0;
    for (const QString &warning : warnings())
        found += warning.contains(text) ? 1 : 0;
    return found;
}

void MessageCollector::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker locker(&s_mutex);
        if (s_collector) {
            s_collector->m_messages.append(message);
            if (type != QtDebugMsg && type != QtInfoMsg)
                s_collector->m_warnings.append(message);
        }
        previous = s_previous;
    }
    if (previous)
        previous(type, context, message);
}
