#include "tests/support/rtmpserver.h"

#include "tests/support/childprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

namespace {
const char *const modulePath = "/usr/lib/nginx/modules/ngx_rtmp_module.so";

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
} // namespace

RtmpServer::RtmpServer()
    : m_process(new ChildProcess())
{ }

RtmpServer::~RtmpServer()
{
    stop();
    delete m_process;
}

bool RtmpServer::writeConfig() const
{
    QFile file(m_dir.filePath("nginx.conf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString dir = m_dir.path();
    QString config;
    config += QString("load_module %1;\n").arg(modulePath);
    // One process, so that stopping it by its id stops everything; as root nginx would hand its workers to
    // "nobody", who cannot read the temporary folder.
    if (::geteuid() == 0)
        config += "user root;\n";
    config += "master_process off;\nworker_processes 1;\n";
    config += QString("pid %1/nginx.pid;\nerror_log %1/error.log warn;\n").arg(dir);
    config += "events { worker_connections 256; }\n";
    const QString notify
        = m_playNotification.isEmpty() ? QString() : QString("            on_play %1;\n").arg(m_playNotification);
    config += QString("rtmp {\n    server {\n        listen 127.0.0.1:%1;\n        chunk_size 4096;\n"
                      "        application live {\n            live on;\n            record off;\n%2        }\n"
                      "    }\n}\n")
                  .arg(m_port)
                  .arg(notify);
    return file.write(config.toUtf8()) == config.toUtf8().size();
}

bool RtmpServer::waitUntilListening(int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && m_process->isRunning()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200)) {
            socket.abort();
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

bool RtmpServer::start(int timeoutMs)
{
    if (!m_dir.isValid())
        return false;
    // Another program may take the port between our probe and nginx's bind: try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        if (m_port == 0 || !writeConfig())
            return false;
        const QString dir = m_dir.path();
        m_process->setStandardOutputFile(QProcess::nullDevice());
        m_process->setStandardErrorFile(dir + "/stderr.log");
        if (!m_process->startProgram(
                "nginx", { "-p", dir + "/", "-e", dir + "/error.log", "-c", dir + "/nginx.conf", "-g", "daemon off;" }))
            return false;
        if (waitUntilListening(timeoutMs))
            return true;
        m_process->stop();
    }
    return false;
}

void RtmpServer::stop()
{
    m_process->stop();
}

bool RtmpServer::isRunning() const
{
    return m_process->isRunning();
}

QString RtmpServer::url(const QString &streamName) const
{
    return QString("rtmp://127.0.0.1:%1/live/%2").arg(m_port).arg(streamName);
}

QString RtmpServer::errorLog() const
{
    QFile file(m_dir.filePath("error.log"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
