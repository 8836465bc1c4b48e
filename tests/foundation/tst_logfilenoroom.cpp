#include "tests/support/filesizelimit.h"
#include "tests/support/tempworkdir.h"
#include "vrek/logfilemanager.h"
#include "vrek/transferfile/diskroom.h"
#include "vrek/utils/globalvalue.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

// The log on a disk that fills and gets room again; the process's file size limit stands for the disk.
class TestLogFileNoRoom : public QObject
{
    Q_OBJECT
private slots:
    void aRefusedLineIsSaidAndTheLogGoesOnWithRoom();
};

void TestLogFileNoRoom::aRefusedLineIsSaidAndTheLogGoesOnWithRoom()
{
    TempWorkDir work;
    QVERIFY(work.isValid());
    g_logFileName = "./log/noroom.txt";
    QByteArray content;
    int refused = 0;
    int written = -1;
    {
        LogFileManager manager;
        qInfo() << "before the disk filled";
        QCOMPARE(LogFileManager::lastWriteError(), 0);
        {
            FileSizeLimit full(rlim_t(QFileInfo(g_logFileName).size()));
            QVERIFY(full.isSet());
            qInfo() << "while it was full";
            refused = LogFileManager::lastWriteError();
        }
        qInfo() << "after room was made";
        written = LogFileManager::lastWriteError();
    }
    QFile file(work.filePath(g_logFileName));
    QVERIFY(file.open(QIODevice::ReadOnly));
    content = file.readAll();
    QVERIFY2(DiskRoom::isNoRoomError(refused), qPrintable(QString::number(refused)));
    QCOMPARE(written, 0);
    QVERIFY(content.contains("before the disk filled"));
    QVERIFY(!content.contains("while it was full"));
    QVERIFY2(content.contains("after room was made"), content.constData());
}

QTEST_GUILESS_MAIN(TestLogFileNoRoom)
#include "tst_logfilenoroom.moc"
