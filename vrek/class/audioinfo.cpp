#include "vrek/class/audioinfo.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

AudioInfo::AudioInfo(const QAudioFormat &format, QObject *parent)
    : QIODevice(parent)
    , m_format(format)
    , m_maxAmplitude(maxAmplitudeOf(format))
    , m_sampleSize(format.sampleSize())
    , m_sampleType(format.sampleType())
    , m_byteOrder(format.byteOrder())
{ }

quint32 AudioInfo::maxAmplitudeOf(const QAudioFormat &format)
{
    const bool isUnsigned = format.sampleType() == QAudioFormat::UnSignedInt;
    switch (format.sampleSize()) {
    case 8:
        if (isUnsigned)
            return 255;
        return format.sampleType() == QAudioFormat::SignedInt ? 127 : 0;
    case 16:
        if (isUnsigned)
            return 65535;
        return format.sampleType() == QAudioFormat::SignedInt ? 32767 : 0;
    case 32:
        if (isUnsigned)
            return 0xffffffffu;
        if (format.sampleType() == QAudioFormat::SignedInt || format.sampleType() == QAudioFormat::Float)
            return 0x7fffffffu;
        return 0;
    default:
        return 0;
    }
}

qint64 AudioInfo::readData(char *, qint64)
{
    return 0;
}

quint32 AudioInfo::magnitude(const uchar *sample) const
{
    const bool big = m_byteOrder == QAudioFormat::BigEndian;
    switch (m_sampleSize) {
    case 8:
        return m_sampleType == QAudioFormat::UnSignedInt ? quint32(*sample) : quint32(qAbs(int(qint8(*sample))));
    case 16: {
        const quint16 raw = big ? qFromBigEndian<quint16>(sample) : qFromLittleEndian<quint16>(sample);
        return m_sampleType == QAudioFormat::UnSignedInt ? quint32(raw) : quint32(qAbs(int(qint16(raw))));
    }
    case 32: {
        const quint32 raw = big ? qFromBigEndian<quint32>(sample) : qFromLittleEndian<quint32>(sample);
        if (m_sampleType == QAudioFormat::UnSignedInt)
            return raw;
        if (m_sampleType == QAudioFormat::SignedInt)
            return quint32(qAbs(qint64(qint32(raw))));
        float value = 0;
        std::memcpy(&value, &raw, sizeof value);
        // Loud or broken samples (beyond full scale, infinite, not a number) are clamped, not converted blindly.
        const double scaled = std::fabs(double(value) * 2147483648.0);
        if (std::isnan(scaled))
            return 0;
        return scaled >= 4294967295.0 ? 0xffffffffu : quint32(scaled);
    }
    default:
        return 0;
    }
}

qint64 AudioInfo::writeData(const char *data, qint64 len)
{
    const int channels = m_format.channelCount();
    if (m_maxAmplitude != 0 && channels > 0) {
        const int bytesPerSample = m_sampleSize / 8;
        const qint64 frames = len / (channels * bytesPerSample);
        const uchar *sample = reinterpret_cast<const uchar *>(data);
        quint32 loudest = 0;
        for (qint64 i = 0; i < frames * channels; ++i) {
            loudest = qMax(loudest, magnitude(sample));
            sample += bytesPerSample;
        }
        loudest = qMin(loudest, m_maxAmplitude);
        m_level = double(loudest) / m_maxAmplitude;
    }
    emit update();
    return len;
}
