#ifndef AUDIOINFO_H
#define AUDIOINFO_H

#include <QAudioFormat>
#include <QIODevice>

// The level meter behind the device check's bars: every block of sound written to it sets the level to the
// block's loudest sample against the format's full scale, and update() tells of it. Nothing can be read back.
class AudioInfo : public QIODevice
{
    Q_OBJECT
public:
    AudioInfo(const QAudioFormat &format, QObject *parent = nullptr);

    // 0.0 to 1.0.
    double level() const { return m_level; }
    quint32 maxAmplitude() const { return m_maxAmplitude; }

    // The full scale of a sample format; 0 for formats the meter does not read.
    static quint32 maxAmplitudeOf(const QAudioFormat &format);

signals:
    void update();

protected:
    qint64 readData(char *data, qint64 maxlen) override;
    qint64 writeData(const char *data, qint64 len) override;

private:
    quint32 magnitude(const uchar *sample) const;

    QAudioFormat m_format;
    quint32 m_maxAmplitude;
    int m_sampleSize;
    QAudioFormat::SampleType m_sampleType;
    QAudioFormat::Endian m_byteOrder;
    double m_level = 0.0;
};

#endif // AUDIOINFO_H
