#ifndef SIGNALRECORDER_H
#define SIGNALRECORDER_H

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>

class QSignalSpy;

// Records every signal an object declares (its own class's, not its bases'), in the order they are emitted,
// as "name(arg,arg)" texts. Arguments are written with QVariant::toString, lists joined with "|"; other types
// go through a formatter the test gives.
class SignalRecorder : public QObject
{
    Q_OBJECT
public:
    using Formatter = std::function<QString(const QVariant &value, bool &handled)>;

    explicit SignalRecorder(QObject *target, QObject *parent = nullptr);
    // Also the signals the target's bases declare, from the class firstClass on (a base of the target's class).
    SignalRecorder(QObject *target, const QMetaObject *firstClass, QObject *parent = nullptr);
    ~SignalRecorder() override;

    void setFormatter(const Formatter &formatter) { m_formatter = formatter; }
    // Signals not to record (names without arguments).
    void ignore(const QStringList &names) { m_ignored += names; }

    QStringList emitted() const;
    // The arguments of every emission of one signal, in order.
    QList<QVariantList> arguments(const QString &name) const;
    void clear();

private slots:
    void hit();

private:
    QString format(const QVariant &value) const;

    QObject *m_target;
    QHash<int, QString> m_names; // signal index to name
    QHash<int, QSignalSpy *> m_spies;
    QList<QPair<int, int>> m_order; // signal index, emission number
    QHash<int, int> m_counts;
    QStringList m_ignored;
    Formatter m_formatter;
};

#endif // SIGNALRECORDER_H
