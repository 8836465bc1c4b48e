#ifndef CHILDPROCESS_H
#define CHILDPROCESS_H

#include <QProcess>
#include <QStringList>

// A program a test starts (nginx, ffmpeg). It is stopped by its process id when the object goes, also when the
// test fails part-way, and the kernel kills it should the test process itself die (start it from the thread
// that lives as long as the test: the main thread).
class ChildProcess : public QProcess
{
    Q_OBJECT
public:
    explicit ChildProcess(QObject *parent = nullptr);
    ~ChildProcess() override;

    // False when the program could not be started.
    bool startProgram(const QString &program, const QStringList &arguments, int timeoutMs = 5000);
    bool isRunning() const { return state() != QProcess::NotRunning; }
    qint64 pid() const { return processId(); }

    // SIGSTOP / SIGCONT: the program freezes as a hung peer would, then goes on.
    bool pause();
    bool resume();
    // SIGTERM, and SIGKILL when it has not ended within graceMs. Safe to call more than once.
    void stop(int graceMs = 2000);

protected:
    void setupChildProcess() override;
};

#endif // CHILDPROCESS_H
