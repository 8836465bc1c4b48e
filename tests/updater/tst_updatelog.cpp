#include "tests/support/tempworkdir.h"
#include "updater/updatelog.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestUpdateLog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { UpdateLog::setEnabled(false); }
    void offWritesNothing();
    void lineHasPrefixAndPieces();
    void prefix();
};

void TestUpdateLog::offWritesNothing()
{
    TempWorkDir dir;
    UpdateLog::setEnabled(false);
    UpdateLog::line("can't download xml");
    QVERIFY(!QFile::exists("updatelog.txt"));
}

void TestUpdateLog::lineHasPrefixAndPieces()
{
    TempWorkDir dir;
    UpdateLog::setEnabled(true);
    UpdateLog::line("Infor:onXmldownloadFinsh:", 3);
    UpdateLog::line("  total files size:  ", uint64_t(5000000000ULL), ' ', std::string("end"));
    QFile file("updatelog.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(2).isEmpty());
    const QRegularExpression prefix(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\]:)");
    QVERIFY(prefix.match(lines.at(0)).hasMatch());
    QCOMPARE(lines.at(0).mid(22), QByteArray("Infor:onXmldownloadFinsh:3"));
    QCOMPARE(lines.at(1).mid(22), QByteArray("  total files size:  5000000000 end"));
}

void TestUpdateLog::prefix()
{
    QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
    const std::time_t seconds = std::time_t(when.toSecsSinceEpoch());
    const std::string text = UpdateLog::prefix(seconds);
    QCOMPARE(QString::fromStdString(text), QString("[2024-03-05 07:08:09]:"));
    QCOMPARE(text.size(), size_t(22));
    QCOMPARE(UpdateLog::prefix(seconds), text); // two lines of one second carry one prefix
}

QTEST_GUILESS_MAIN(TestUpdateLog)
#include "tst_updatelog.moc"
