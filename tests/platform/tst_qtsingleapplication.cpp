#include <QProcess>
#include <QUuid>
#include <QtTest>

class TestQtSingleApplication : public QObject
{
    Q_OBJECT
private slots:
    void secondInstanceHandsOverAndEnds();
    void lockOfACrashedInstanceIsTakenOver();
};

void TestQtSingleApplication::secondInstanceHandsOverAndEnds()
{
    const QString id = "tst-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcess first;
    first.start(QStringLiteral(SINGLE_CHILD), { id });
    QVERIFY(first.waitForReadyRead(10000));
    QCOMPARE(first.readLine().trimmed(), QByteArray("first"));

    QProcess second;
    second.start(QStringLiteral(SINGLE_CHILD), { id });
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardOutput().trimmed(), QByteArray("running sent"));

    QVERIFY(first.waitForFinished(10000));
    QVERIFY(first.readAllStandardOutput().contains("got:hello"));

    // Once the first has gone, a new start is the first again.
    QProcess third;
    third.start(QStringLiteral(SINGLE_CHILD), { id });
    QVERIFY(third.waitForReadyRead(10000));
    QCOMPARE(third.readLine().trimmed(), QByteArray("first"));
    third.kill();
    third.waitForFinished();
}

void TestQtSingleApplication::lockOfACrashedInstanceIsTakenOver()
{
    const QString id = "tst-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcess crashed;
    crashed.start(QStringLiteral(SINGLE_CHILD), { id });
    QVERIFY(crashed.waitForReadyRead(10000));
    crashed.kill(); // leaves its lock file and socket behind
    QVERIFY(crashed.waitForFinished(10000));

    QProcess next;
    next.start(QStringLiteral(SINGLE_CHILD), { id });
    QVERIFY(next.waitForReadyRead(10000));
    QCOMPARE(next.readLine().trimmed(), QByteArray("first"));
    next.kill();
    next.waitForFinished();
}

QTEST_GUILESS_MAIN(TestQtSingleApplication)
#include "tst_qtsingleapplication.moc"
