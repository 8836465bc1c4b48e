#include "tests/support/signalrecorder.h"

#include <QMetaMethod>
#include <QSignalSpy>

SignalRecorder::SignalRecorder(QObject *target, QObject *parent)
    : SignalRecorder(target, target->metaObject(), parent)
{ }

SignalRecorder::SignalRecorder(QObject *target, const QMetaObject *firstClass, QObject *parent)
    : QObject(parent)
    , m_target(target)
{
    const QMetaObject *meta = target->metaObject();
    const QMetaMethod hitMethod = metaObject()->method(metaObject()->indexOfSlot("hit()"));
    for (int i = firstClass->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        m_names.insert(i, QString::fromLatin1(method.name()));
        const QByteArray signature = QByteArray::number(QSIGNAL_CODE) + method.methodSignature();
        m_spies.insert(i, new QSignalSpy(target, signature.constData()));
        // Connected after the spy, so the spy has the arguments when hit() runs.
        connect(target, method, this, hitMethod, Qt::DirectConnection);
    }
}

SignalRecorder::~SignalRecorder()
{
    qDeleteAll(m_spies);
}

void SignalRecorder::hit()
{
    const int index = senderSignalIndex();
    const int number = m_counts.value(index);
    m_counts.insert(index, number + 1);
    m_order.append(qMakePair(index, number));
}

QString SignalRecorder::format(const QVariant &value) const
{
    if (m_formatter) {
        bool handled = false;
        const QString text = m_formatter(value, handled);
        if (handled)
            return text;
    }
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join('|');
    if (value.userType() == QMetaType::QVariantMap) {
        QStringList items;
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            items << it.key() + '=' + it.value().toString();
        return '{' + items.join(',') + '}';
    }
    if (value.canConvert<QString>())
        return value.toString();
    return QString::fromLatin1(value.typeName());
}

QStringList SignalRecorder::emitted() const
{
    QStringList texts;
    for (const auto &entry : m_order) {
        const QString name = m_names.value(entry.first);
        if (m_ignored.contains(name))
            continue;
        const QVariantList arguments = m_spies.value(entry.first)->at(entry.second);
        QStringList parts;
        for (const QVariant &argument : arguments)
            parts << format(argument);
        texts << name + '(' + parts.join(',') + ')';
    }
    return texts;
}

QList<QVariantList> SignalRecorder::arguments(const QString &name) const
{
    for (auto it = m_names.constBegin(); it != m_names.constEnd(); ++it) {
        if (it.value() == name)
            return *m_spies.value(it.key());
    }
    return {};
}

void SignalRecorder::clear()
{
    for (QSignalSpy *spy : qAsConst(m_spies))
        spy->clear();
    m_order.clear();
    m_counts.clear();
}
