#ifndef TERMINATIONWATCHER_H
#define TERMINATIONWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into an orderly end: the application leaves its event loop with 128 plus the
// signal's number, so that what it holds (its instance lock, its servers, the programs it started) is let go as
// on any other end. A signal the process was started with ignored stays ignored. One watcher per process.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

    // False when the signals cannot be watched (a second watcher, no pipe); they then keep their default.
    bool isWatching() const { return m_notifier != nullptr; }

signals:
    // Before the application is asked to exit.
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

#endif // TERMINATIONWATCHER_H
