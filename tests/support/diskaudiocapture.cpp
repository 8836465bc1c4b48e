#include "tests/support/diskaudiocapture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cmath>
#include <cstring>

DiskAudioCapture::DiskAudioCapture(int sampleRate, int channels)
    : m_sampleRate(sampleRate)
    , m_channels(channels)
{
    m_previousDriver = qgetenv("SDL_AUDIODRIVER");
    m_previousFile = qgetenv("SDL_DISKAUDIOFILE");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", filePath().toLocal8Bit());
}

DiskAudioCapture::~DiskAudioCapture()
{
    qputenv("SDL_AUDIODRIVER", m_previousDriver);
    qputenv("SDL_DISKAUDIOFILE", m_previousFile);
}

QString DiskAudioCapture::filePath() const
{
    return m_dir.filePath("output.raw");
}

qint64 DiskAudioCapture::size() const
{
    return QFileInfo(filePath()).size();
}

bool DiskAudioCapture::waitForMore(qint64 fromByte, int milliseconds, int timeoutMs)
{
    const qint64 wanted = fromByte + qint64(milliseconds) * m_sampleRate / 1000 * m_channels * 2;
    QDeadlineTimer deadline(timeoutMs);
    while (size() < wanted) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

QVector<qint16> DiskAudioCapture::samples(qint64 fromByte, qint64 toByte) const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(fromByte & ~qint64(1)))
        return {};
    const qint64 length = toByte < 0 ? -1 : toByte - fromByte;
    const QByteArray bytes = length < 0 ? file.readAll() : file.read(length);
    QVector<qint16> result(bytes.size() / 2);
    std::memcpy(result.data(), bytes.constData(), size_t(result.size()) * 2);
    return result;
}

double DiskAudioCapture::toneLevel(const QVector<qint16> &samples, int sampleRate, double frequency)
{
    if (samples.isEmpty())
        return 0;
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / sampleRate);
    double previous = 0;
    double beforePrevious = 0;
    for (qint16 sample : samples) {
        const double current = sample / 32768.0 + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power
        = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 2 * std::sqrt(std::max(power, 0.0)) / samples.size();
}

double DiskAudioCapture::rmsLevel(const QVector<qint16> &samples)
{
    if (samples.isEmpty())
        return 0;
    double sum = 0;
    for (qint16 sample : samples)
        sum += double(sample) * sample;
    return std::sqrt(sum / samples.size()) / 32768.0;
}
