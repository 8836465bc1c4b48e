#ifndef MESSAGECOLLECTOR_H
#define MESSAGECOLLECTOR_H

#include <QStringList>
#include <QtGlobal>

// Collects the messages logged while it lives, the warnings (and worse) apart, and passes every message on to the
// handler that was installed before. One collector at a time; engines log from their own threads.
class MessageCollector
{
public:
    MessageCollector();
    ~MessageCollector();
    MessageCollector(const MessageCollector &) = delete;
    MessageCollector &operator=(const MessageCollector &) = delete;

    QStringList warnings() const;
    // Every message, of every level, in order.
    QStringList messages() const;
    // How many warnings hold the text.
    int count(const QString &text) const;
    void clear();

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QStringList m_warnings;
    QStringList m_messages;
    QtMessageHandler m_previous;
};

#endif // MESSAGECOLLECTOR_H
