#include "tests/support/filesizelimit.h"
#include "tests/support/tempworkdir.h"
#include "vrek/utils/settingconfig.h"

#include <QDir>
#include <QSettings>
#include <QThread>
#include <QtConcurrent/QtConcurrent>
#include <QtTest>

class TestSettingConfig : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void roundTrip_data();
    void roundTrip();
    void absentKeyIsEmptyText();
    void fileStaysWhereItWasFirstBuilt();
    void writtenThroughAtOnce();
    void anotherThreadReadsWhatWasWritten();
    void firstUseFromManyThreads();
    void aWriteTheDiskRefusesIsSaidAndTheNextOneCounts();

private:
    TempWorkDir *m_work = nullptr;
    QString m_firstDir;
};

void TestSettingConfig::initTestCase()
{
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    m_firstDir = QDir::currentPath();
}

void TestSettingConfig::cleanupTestCase()
{
    delete m_work;
}

void TestSettingConfig::roundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("remember flag") << "isread/flag"
                                   << "1";
    QTest::newRow("user code") << "userinfo/usercode"
                               << "student01";
    QTest::newRow("password with signs") << "userinfo/password"
                                         << "a+b&c=d#e%f;g h";
    QTest::newRow("domain") << "domain/dns"
                            << "school.example.com";
    QTest::newRow("chinese device") << "AudioDevice/Micro" << QString::fromUtf8("Windows默认设备");
    QTest::newRow("empty value") << "CameraDevice/name"
                                 << "";
}

void TestSettingConfig::roundTrip()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    SettingConfig::getSetting().setValue(key, value);
    QCOMPARE(SettingConfig::getSetting().getValue(key), value);
    // And a fresh reader of the file sees it too.
    QSettings reader(m_firstDir + "/config.ini", QSettings::IniFormat);
    QCOMPARE(reader.value(key).toString(), value);
}

void TestSettingConfig::absentKeyIsEmptyText()
{
    const QString value = SettingConfig::getSetting().getValue("never/written");
    QVERIFY(value.isEmpty());
    QVERIFY(!value.isNull());
}

void TestSettingConfig::fileStaysWhereItWasFirstBuilt()
{
    SettingConfig &settings = SettingConfig::getSetting();
    QCOMPARE(settings.fileName(), m_firstDir + "/config.ini");
    {
        TempWorkDir elsewhere;
        settings.setValue("lockScreen/flag", "1");
        QVERIFY(!QFile::exists(elsewhere.filePath("config.ini")));
    }
    QVERIFY(QFile::exists(m_firstDir + "/config.ini"));
}

void TestSettingConfig::writtenThroughAtOnce()
{
    SettingConfig::getSetting().setValue("DeviceSet/initial", "1");
    QFile file(m_firstDir + "/config.ini");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY2(content.contains("[DeviceSet]") && content.contains("initial=1"), content.constData());
}

void TestSettingConfig::anotherThreadReadsWhatWasWritten()
{
    QFuture<void> writer = QtConcurrent::run([] { SettingConfig::getSetting().setValue("domain/dns", "threaded"); });
    writer.waitForFinished();
    QFuture<QString> reader = QtConcurrent::run([] { return SettingConfig::getSetting().getValue("domain/dns"); });
    QCOMPARE(reader.result(), QString("threaded"));
}

void TestSettingConfig::firstUseFromManyThreads()
{
    // Many threads reading and writing at once stay consistent.
    QList<QFuture<void>> futures;
    for (int t = 0; t < 8; ++t) {
        futures.append(QtConcurrent::run([t] {
            for (int i = 0; i < 50; ++i) {
                const QString key = QString("stress/k%1").arg(t);
                SettingConfig::getSetting().setValue(key, QString::number(i));
                SettingConfig::getSetting().getValue(key);
            }
        }));
    }
    for (QFuture<void> &future : futures)
        future.waitForFinished();
    for (int t = 0; t < 8; ++t)
        QCOMPARE(SettingConfig::getSetting().getValue(QString("stress/k%1").arg(t)), QString("49"));
}

// The process's file size limit stands for a full disk: the file is replaced whole, so a refused write leaves the
// earlier one.
void TestSettingConfig::aWriteTheDiskRefusesIsSaidAndTheNextOneCounts()
{
    SettingConfig &setting = SettingConfig::getSetting();
    QVERIFY(setting.setValue("userinfo/usercode", "student01"));
    QVERIFY(!setting.lastWriteFailed());
    {
        FileSizeLimit noRoom(0);
        QVERIFY(noRoom.isSet());
        QVERIFY(!setting.setValue("lockScreen/flag", "held"));
        QVERIFY(setting.lastWriteFailed());
    }
    // Held for this run, not written.
    QCOMPARE(setting.getValue("lockScreen/flag"), QString("held"));
    QFile onDisk(setting.fileName());
    QVERIFY(onDisk.open(QIODevice::ReadOnly));
    const QByteArray before = onDisk.readAll();
    QVERIFY(before.contains("usercode=student01"));
    QVERIFY(!before.contains("held"));

    // Room again: the next write is told as written, and brings what was held with it.
    QVERIFY(setting.setValue("userinfo/usercode", "student02"));
    QVERIFY(!setting.lastWriteFailed());
    QFile again(setting.fileName());
    QVERIFY(again.open(QIODevice::ReadOnly));
    const QByteArray after = again.readAll();
    QVERIFY(after.contains("flag=held"));
    QVERIFY(after.contains("usercode=student02"));
}

QTEST_GUILESS_MAIN(TestSettingConfig)
#include "tst_settingconfig.moc"
