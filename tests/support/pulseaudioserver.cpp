#include "tests/support/pulseaudioserver.h"

#include "tests/support/childprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

PulseAudioServer::PulseAudioServer()
    : PulseAudioServer(Options())
{ }

PulseAudioServer::PulseAudioServer(const Options &options)
    : m_options(options)
    , m_process(new ChildProcess())
{ }

PulseAudioServer::~PulseAudioServer()
{
    stop();
    delete m_process;
}

QString PulseAudioServer::address() const
{
    return QStringLiteral("unix:") + m_dir.filePath("native");
}

void PulseAudioServer::useEnvironment()
{
    if (!m_address)
        m_address = std::make_unique<PulseServerAddress>(address());
}

bool PulseAudioServer::start(int timeoutMs)
{
    const QString program = QStandardPaths::findExecutable("pulseaudio");
    if (!m_dir.isValid() || program.isEmpty())
        return false;
    const QString dir = m_dir.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", dir);
    environment.insert("HOME", dir);
    environment.insert("PULSE_RUNTIME_PATH", dir);
    environment.insert("PULSE_STATE_PATH", dir);
    environment.remove("PULSE_SERVER");
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardOutputFile(m_dir.filePath("pulseaudio.log"));
    // Our own start script in place of the machine's: only these modules, nothing that reaches real sound.
    QFile script(m_dir.filePath("start.pa"));
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QString commands = QString("load-module module-native-protocol-unix socket=%1 auth-anonymous=1\n"
                               "load-module module-null-sink sink_name=%2 sink_properties='device.description=\"%3\"'\n"
                               "set-default-sink %2\n")
                           .arg(m_dir.filePath("native"), m_options.sinkName, m_options.sinkDescription);
    if (m_options.microphone) {
        commands += QString("load-module module-sine-source source_name=%1 frequency=%2\n"
                            "update-source-proplist %1 device.description=\"%3\"\n"
                            "set-default-source %1\n")
                        .arg(m_options.sourceName)
                        .arg(m_options.toneHz)
                        .arg(m_options.sourceDescription);
    }
    script.write(commands.toUtf8());
    script.close();
    const QStringList arguments { "-n", "-F", script.fileName(), "--daemonize=no", "--use-pid-file=no",
        "--exit-idle-time=-1", "--realtime=no", "--high-priority=no", "--disable-shm=yes", "--log-target=stderr" };
    if (!m_process->startProgram(program, arguments))
        return false;
    if (!waitUntilAnswering(timeoutMs)) {
        stop();
        return false;
    }
    return true;
}

bool PulseAudioServer::waitUntilAnswering(int timeoutMs) const
{
    const QString socketPath = m_dir.filePath("native");
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && m_process->isRunning()) {
        if (QFile::exists(socketPath)) {
            QLocalSocket socket;
            socket.connectToServer(socketPath);
            if (socket.waitForConnected(200)) {
                socket.abort();
                return true;
            }
        }
        QThread::msleep(20);
    }
    return false;
}

void PulseAudioServer::stop()
{
    m_process->stop();
}

bool PulseAudioServer::isRunning() const
{
    return m_process->isRunning();
}

bool PulseAudioServer::pause()
{
    return m_process->pause();
}

bool PulseAudioServer::resume()
{
    return m_process->resume();
}

QString PulseAudioServer::log() const
{
    QFile file(m_dir.filePath("pulseaudio.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

PulseServerAddress::PulseServerAddress(const QString &address)
    : m_previous(qgetenv("PULSE_SERVER"))
{
    qputenv("PULSE_SERVER", address.toLocal8Bit());
}

PulseServerAddress::~PulseServerAddress()
{
    if (m_previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", m_previous);
}
