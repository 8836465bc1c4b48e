#ifndef MESSAGECOLLECTOR_H
#define MESSAGECOLLECTOR_H

#include <QStringList>
#include <QtGlobal>

// Collects the warnings (and worse) logged while it lives, and passes every message on to the handler that
// was installed before. One collector at a time, on the thread that logs.
class MessageCollector
{
public:
    MessageCollector();
    ~MessageCollector();
    MessageCollector(const MessageCollector &) = delete;
    MessageCollector &operator=(const MessageCollector &) = delete;

    QStringList warnings() const { return m_warnings; }
    // How many warnings hold the text.
    int count(const QString &text) const;
    void clear() { m_warnings.clear(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QStringList m_warnings;
    QtMessageHandler m_previous;
};

#endif // MESSAGECOLLECTOR_H
