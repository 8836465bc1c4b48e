#include "vrek/class/audioinfo.h"

#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <limits>

namespace {
QAudioFormat format(int sampleSize, QAudioFormat::SampleType type, QAudioFormat::Endian order, int channels = 2)
{
    QAudioFormat result;
    result.setSampleRate(44100);
    result.setChannelCount(channels);
    result.setSampleSize(sampleSize);
    result.setCodec("audio/pcm");
    result.setSampleType(type);
    result.setByteOrder(order);
    return result;
}

template<typename T>
QByteArray samples(std::initializer_list<T> values, QAudioFormat::Endian order)
{
    QByteArray bytes;
    for (T value : values) {
        char raw[sizeof(T)];
        if (order == QAudioFormat::BigEndian)
            qToBigEndian(value, raw);
        else
            qToLittleEndian(value, raw);
        bytes.append(raw, sizeof(T));
    }
    return bytes;
}

QByteArray floats(std::initializer_list<float> values, QAudioFormat::Endian order)
{
    QByteArray bytes;
    for (float value : values) {
        quint32 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        bytes += samples<quint32>({ bits }, order);
    }
    return bytes;
}
} // namespace

// The level meter: the loudest sample of each block against the format's full scale.
class TestAudioInfo : public QObject
{
    Q_OBJECT
private slots:
    void maxAmplitude_data();
    void maxAmplitude();
    void level_data();
    void level();
    void unreadableFormatKeepsTheLevel();
    void nothingCanBeRead();
};

void TestAudioInfo::maxAmplitude_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("type");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("8 unsigned") << 8 << int(QAudioFormat::UnSignedInt) << quint32(255);
    QTest::newRow("8 signed") << 8 << int(QAudioFormat::SignedInt) << quint32(127);
    QTest::newRow("16 unsigned") << 16 << int(QAudioFormat::UnSignedInt) << quint32(65535);
    QTest::newRow("16 signed") << 16 << int(QAudioFormat::SignedInt) << quint32(32767);
    QTest::newRow("32 unsigned") << 32 << int(QAudioFormat::UnSignedInt) << quint32(4294967295u);
    QTest::newRow("32 signed") << 32 << int(QAudioFormat::SignedInt) << quint32(2147483647);
    QTest::newRow("32 float") << 32 << int(QAudioFormat::Float) << quint32(2147483647);
    QTest::newRow("24 signed") << 24 << int(QAudioFormat::SignedInt) << quint32(0);
    QTest::newRow("16 float") << 16 << int(QAudioFormat::Float) << quint32(0);
}

void TestAudioInfo::maxAmplitude()
{
    QFETCH(int, size);
    QFETCH(int, type);
    QFETCH(quint32, expected);
    AudioInfo info(format(size, QAudioFormat::SampleType(type), QAudioFormat::LittleEndian));
    QCOMPARE(info.maxAmplitude(), expected);
}

void TestAudioInfo::level_data()
{
    QTest::addColumn<QAudioFormat>("audioFormat");
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<double>("expected");
    const auto le = QAudioFormat::LittleEndian;
    const auto be = QAudioFormat::BigEndian;
    QTest::newRow("16 signed, the loudest of either channel")
        << format(16, QAudioFormat::SignedInt, le) << samples<qint16>({ 1000, -16384, 200, 3 }, le) << 16384.0 / 32767;
    QTest::newRow("16 signed big-endian")
        << format(16, QAudioFormat::SignedInt, be) << samples<qint16>({ 16384, -2 }, be) << 16384.0 / 32767;
    QTest::newRow("16 signed, the lowest clamped to full scale")
        << format(16, QAudioFormat::SignedInt, le) << samples<qint16>({ -32768, 0 }, le) << 1.0;
    QTest::newRow("16 signed, 0.999") << format(16, QAudioFormat::SignedInt, le) << samples<qint16>({ 32734, 0 }, le)
                                      << 32734.0 / 32767;
    QTest::newRow("16 unsigned") << format(16, QAudioFormat::UnSignedInt, le) << samples<quint16>({ 65535, 100 }, le)
                                 << 1.0;
    QTest::newRow("8 unsigned") << format(8, QAudioFormat::UnSignedInt, le) << QByteArray("\xc8\x10", 2) << 200.0 / 255;
    QTest::newRow("8 signed, -128 clamped")
        << format(8, QAudioFormat::SignedInt, le) << QByteArray("\x80\x01", 2) << 1.0;
    QTest::newRow("32 signed, the lowest clamped")
        << format(32, QAudioFormat::SignedInt, le) << samples<qint32>({ std::numeric_limits<qint32>::min(), 0 }, le)
        << 1.0;
    QTest::newRow("32 signed big-endian") << format(32, QAudioFormat::SignedInt, be)
                                          << samples<qint32>({ -1073741824, 5 }, be) << 1073741824.0 / 2147483647;
    QTest::newRow("32 unsigned") << format(32, QAudioFormat::UnSignedInt, le)
                                 << samples<quint32>({ 2147483648u, 1 }, le) << 2147483648.0 / 4294967295.0;
    QTest::newRow("float a quarter") << format(32, QAudioFormat::Float, le) << floats({ 0.25f, -0.125f }, le)
                                     << 536870912.0 / 2147483647;
    QTest::newRow("float big-endian") << format(32, QAudioFormat::Float, be) << floats({ -0.5f, 0.0f }, be)
                                      << 1073741824.0 / 2147483647;
    QTest::newRow("float beyond full scale")
        << format(32, QAudioFormat::Float, le) << floats({ 3.0f, 0.0f }, le) << 1.0;
    QTest::newRow("float not a number") << format(32, QAudioFormat::Float, le)
                                        << floats({ std::numeric_limits<float>::quiet_NaN(), 0.0f }, le) << 0.0;
    QTest::newRow("mono") << format(16, QAudioFormat::SignedInt, le, 1) << samples<qint16>({ 8192 }, le)
                          << 8192.0 / 32767;
    QTest::newRow("a part frame is not read")
        << format(16, QAudioFormat::SignedInt, le) << samples<qint16>({ 10, 10, 30000 }, le) << 10.0 / 32767;
    QTest::newRow("silence") << format(16, QAudioFormat::SignedInt, le) << QByteArray(400, '\0') << 0.0;
}

void TestAudioInfo::level()
{
    QFETCH(QAudioFormat, audioFormat);
    QFETCH(QByteArray, block);
    QFETCH(double, expected);
    AudioInfo info(audioFormat);
    QVERIFY(info.open(QIODevice::WriteOnly));
    QSignalSpy updates(&info, &AudioInfo::update);
    QCOMPARE(info.write(block), qint64(block.size()));
    QCOMPARE(updates.count(), 1);
    QVERIFY2(qAbs(info.level() - expected) < 1e-9, qPrintable(QString::number(info.level(), 'g', 12)));
}

void TestAudioInfo::unreadableFormatKeepsTheLevel()
{
    AudioInfo info(format(24, QAudioFormat::SignedInt, QAudioFormat::LittleEndian));
    QVERIFY(info.open(QIODevice::WriteOnly));
    QSignalSpy updates(&info, &AudioInfo::update);
    QCOMPARE(info.write(QByteArray(60, '\x7f')), qint64(60));
    QCOMPARE(updates.count(), 1);
    QCOMPARE(info.level(), 0.0);
}

void TestAudioInfo::nothingCanBeRead()
{
    AudioInfo info(format(16, QAudioFormat::SignedInt, QAudioFormat::LittleEndian));
    QVERIFY(info.open(QIODevice::ReadWrite));
    info.write(QByteArray(8, '\x10'));
    char buffer[8];
    QCOMPARE(info.read(buffer, sizeof buffer), qint64(0));
}

QTEST_MAIN(TestAudioInfo)
#include "tst_audioinfo.moc"
