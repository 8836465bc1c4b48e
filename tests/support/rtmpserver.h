#ifndef RTMPSERVER_H
#define RTMPSERVER_H

#include <QString>
#include <QTemporaryDir>

class ChildProcess;

// nginx with its RTMP module on 127.0.0.1 and a free port, with one live application "live", run from a
// temporary folder for the life of the object.
class RtmpServer
{
public:
    RtmpServer();
    ~RtmpServer();

    // Before start: every viewer's play is first posted to this HTTP address (nginx-rtmp's on_play), and goes
    // ahead once it is answered with 2xx. A test learns so that a viewer has really begun to play.
    void setPlayNotification(const QString &url) { m_playNotification = url; }

    // Returns once the server accepts connections.
    bool start(int timeoutMs = 5000);
    void stop();
    bool isRunning() const;

    quint16 port() const { return m_port; }
    // "rtmp://127.0.0.1:<port>/live/<name>"
    QString url(const QString &streamName) const;
    QString errorLog() const;
    ChildProcess *process() const { return m_process; }

    RtmpServer(const RtmpServer &) = delete;
    RtmpServer &operator=(const RtmpServer &) = delete;

private:
    bool writeConfig() const;
    bool waitUntilListening(int timeoutMs) const;

    QTemporaryDir m_dir;
    ChildProcess *m_process;
    quint16 m_port = 0;
    QString m_playNotification;
};

#endif // RTMPSERVER_H
