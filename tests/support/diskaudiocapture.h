#ifndef DISKAUDIOCAPTURE_H
#define DISKAUDIOCAPTURE_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

// What the program plays, captured through SDL's disk audio driver into a file, and read back as 16-bit
// samples. Create it before the program opens its sound output (SDL reads the driver's settings then); the
// output is written in real time.
class DiskAudioCapture
{
public:
    explicit DiskAudioCapture(int sampleRate = 32000, int channels = 1);
    ~DiskAudioCapture();

    bool isValid() const { return m_dir.isValid(); }
    QString filePath() const;
    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }

    // Bytes written so far.
    qint64 size() const;
    // Runs the event loop until the file has grown by the given time of sound.
    bool waitForMore(qint64 fromByte, int milliseconds, int timeoutMs);
    // Samples (interleaved) from a byte offset to the end, or to toByte.
    QVector<qint16> samples(qint64 fromByte = 0, qint64 toByte = -1) const;

    // Amplitude of one frequency in mono samples, as a fraction of full scale (Goertzel).
    static double toneLevel(const QVector<qint16> &samples, int sampleRate, double frequency);
    static double rmsLevel(const QVector<qint16> &samples);

    DiskAudioCapture(const DiskAudioCapture &) = delete;
    DiskAudioCapture &operator=(const DiskAudioCapture &) = delete;

private:
    QTemporaryDir m_dir;
    int m_sampleRate;
    int m_channels;
    QByteArray m_previousDriver;
    QByteArray m_previousFile;
};

#endif // DISKAUDIOCAPTURE_H
