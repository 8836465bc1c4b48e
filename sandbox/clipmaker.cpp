#include "sandbox/clipmaker.h"

#include "tests/support/childprocess.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <csignal>

namespace {
int toolStartCount = 0;
const int blockingTimeoutMs = 60000;
} // namespace

ClipMaker::ClipMaker(const QString &cacheDir, const QString &name, Arguments arguments, QObject *parent)
    : QObject(parent)
    , m_cacheDir(cacheDir)
    , m_name(name)
    , m_arguments(std::move(arguments))
{ }

ClipMaker::~ClipMaker()
{
    // A clip finished now goes nowhere, and its half is no entry.
    if (m_tool) {
        m_tool->disconnect(this);
        if (m_tool->state() != QProcess::NotRunning) {
            m_tool->kill();
            m_tool->waitForFinished(5000);
        }
    }
    if (!m_part.isEmpty())
        QFile::remove(m_part);
}

int ClipMaker::toolStarts()
{
    return toolStartCount;
}

QString ClipMaker::cachedPath() const
{
    if (m_cacheDir.isEmpty())
        return QString();
    const QByteArray key
        = QCryptographicHash::hash(m_arguments(m_name).join('\n').toUtf8(), QCryptographicHash::Md5).toHex();
    const QFileInfo name(m_name);
    return QDir(m_cacheDir)
        .filePath(QString("%1-%2.%3").arg(name.completeBaseName(), QString::fromLatin1(key), name.suffix()));
}

void ClipMaker::start(const QString &path, int timeoutMs)
{
    if (copyCached(path)) {
        done(true);
        return;
    }
    m_part = preparePart();
    m_tool = new ChildProcess(this); // killed with the sandbox, even when the sandbox is killed outright
    connect(m_tool, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        qWarning() << "the ffmpeg tool cannot be started for" << m_name;
        if (!m_part.isEmpty())
            QFile::remove(m_part);
        m_part.clear();
        done(false);
    });
    connect(m_tool, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        [this, path](int code, QProcess::ExitStatus status) {
            bool ok = status == QProcess::NormalExit && code == 0;
            if (!m_part.isEmpty()) {
                ok = ok && keep(m_part, path);
                QFile::remove(m_part);
                m_part.clear();
            }
            done(ok);
        });
    ++toolStartCount;
    m_tool->start("ffmpeg", m_arguments(m_part.isEmpty() ? path : m_part));
    QTimer::singleShot(timeoutMs, m_tool, &QProcess::kill);
}

bool ClipMaker::make(const QString &path)
{
    if (copyCached(path))
        return true;
    const QString part = preparePart();
    if (part.isEmpty())
        return run(path);
    const bool made = run(part) && keep(part, path);
    QFile::remove(part);
    return made;
}

QString ClipMaker::preparePart() const
{
    const QString cached = cachedPath();
    if (cached.isEmpty() || !QDir().mkpath(m_cacheDir))
        return QString();
    // This process's own: two sandboxes on one cache do not write into each other's part. The suffix stays last,
    // the tool picks the container by it.
    const QFileInfo info(cached);
    removeStaleParts(info);
    const QString part = QString("%1/%2.part%3.%4")
                             .arg(info.path(), info.completeBaseName())
                             .arg(QCoreApplication::applicationPid())
                             .arg(info.suffix());
    QFile file(part);
    return file.open(QIODevice::WriteOnly) ? part : QString();
}

void ClipMaker::removeStaleParts(const QFileInfo &cached)
{
    // A sandbox killed outright leaves its part behind; a part whose process is gone is of no use to anyone.
    const QString prefix = cached.completeBaseName() + ".part";
    const QDir dir = cached.dir();
    for (const QString &name : dir.entryList({ prefix + "*." + cached.suffix() }, QDir::Files)) {
        bool isPid = false;
        const qint64 pid = name.mid(prefix.size()).section('.', 0, 0).toLongLong(&isPid);
        if (isPid && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
    }
}

bool ClipMaker::keep(const QString &part, const QString &path) const
{
    // Another sandbox may have kept the same clip meanwhile; either is good.
    if (QFile::exists(cachedPath()) || QFile::rename(part, cachedPath()))
        return copyCached(path);
    QFile::remove(path);
    return QFile::rename(part, path);
}

bool ClipMaker::copyCached(const QString &path) const
{
    const QString cached = cachedPath();
    if (cached.isEmpty() || !QFile::exists(cached))
        return false;
    QFile::remove(path);
    return QFile::copy(cached, path);
}

bool ClipMaker::run(const QString &path) const
{
    ++toolStartCount;
    ChildProcess tool; // goes with its caller, however that ends
    tool.start("ffmpeg", m_arguments(path));
    return tool.waitForFinished(blockingTimeoutMs) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

void ClipMaker::done(bool ok)
{
    if (m_done)
        return;
    m_done = true;
    // From the event loop, also for a cached clip: whoever connects after the scene's install hears it.
    QMetaObject::invokeMethod(
        this, [this, ok] { emit finished(ok); }, Qt::QueuedConnection);
}
