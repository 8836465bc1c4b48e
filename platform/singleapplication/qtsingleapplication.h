#ifndef QTSINGLEAPPLICATION_H
#define QTSINGLEAPPLICATION_H

#include <QApplication>

class QLocalServer;
class QLockFile;

// A widgets application that knows whether another instance of itself (same program, same user) already
// runs. The first instance holds a lock file and listens on a local socket; later ones can pass it a message.
class QtSingleApplication : public QApplication
{
    Q_OBJECT
public:
    // The id defaults to the program's file name; tests give their own.
    QtSingleApplication(int &argc, char **argv, const QString &appId = QString());
    ~QtSingleApplication() override;

    bool isRunning() const { return m_running; }
    QString id() const { return m_id; }
    // To the running instance; false when none takes it within the time.
    bool sendMessage(const QString &message, int timeoutMs = 5000);

signals:
    void messageReceived(const QString &message);

private:
    void readMessage();

    QString m_id;
    QLockFile *m_lock = nullptr;
    QLocalServer *m_server = nullptr;
    bool m_running = false;
};

#endif // QTSINGLEAPPLICATION_H
