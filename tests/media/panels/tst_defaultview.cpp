#include "vrek/media/panels/defaultview.h"
#include "vrek/media/control/pushstreaminterface.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDefaultView : public QObject
{
    Q_OBJECT
private slots:
    void scaledToEveryResize();
    void missingPictureShowsNothing();
    void pushSizeTable_data();
    void pushSizeTable();
};

void TestDefaultView::scaledToEveryResize()
{
    QTemporaryDir dir;
    QImage source(40, 20, QImage::Format_RGB32);
    source.fill(Qt::blue);
    const QString path = dir.filePath("default.png");
    QVERIFY(source.save(path));

    DefaultView view(path);
    QVERIFY(view.pixmap(Qt::ReturnByValue).isNull());
    view.resize(100, 300);
    view.show();
    QTRY_VERIFY(!view.pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(view.pixmap(Qt::ReturnByValue).size(), QSize(100, 300));
    view.resize(64, 48);
    QTRY_COMPARE(view.pixmap(Qt::ReturnByValue).size(), QSize(64, 48));
    QCOMPARE(view.pixmap(Qt::ReturnByValue).toImage().pixelColor(32, 24), QColor(Qt::blue));
}

void TestDefaultView::missingPictureShowsNothing()
{
    DefaultView view("/nonexistent/picture.png");
    view.resize(80, 60);
    view.show();
    // On screen, so its size has come with the resize event that would scale the picture.
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(view.pixmap(Qt::ReturnByValue).isNull());
}

void TestDefaultView::pushSizeTable_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QSize>("size");
    QTest::newRow("0") << 0 << true << QSize(160, 120);
    QTest::newRow("1") << 1 << true << QSize(320, 240);
    QTest::newRow("2") << 2 << true << QSize(640, 480);
    QTest::newRow("3") << 3 << false << QSize(1, 1);
    QTest::newRow("-1") << -1 << false << QSize(1, 1);
}

void TestDefaultView::pushSizeTable()
{
    QFETCH(int, level);
    QFETCH(bool, known);
    QFETCH(QSize, size);
    QSize out(1, 1);
    QCOMPARE(PushStreamInterface::pushVideoSizeOf(level, out), known);
    QCOMPARE(out, size);
}

QTEST_MAIN(TestDefaultView)
#include "tst_defaultview.moc"
