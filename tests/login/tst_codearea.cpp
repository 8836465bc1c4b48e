#include "vrek/login/codearea.h"
#include "vrek/login/coderui.h"

#include <QPushButton>
#include <QtTest>

class TestCodeArea : public QObject
{
    Q_OBJECT
private slots:
    void newAreaHoldsAFourDigitCode();
    void check_data();
    void check();
    void leftClickDrawsANewCode();
    void frameFollowsTheSize();
    void coderOverlayHidesOnBack();
};

void TestCodeArea::newAreaHoldsAFourDigitCode()
{
    for (int i = 0; i < 20; ++i) {
        CodeArea area;
        QCOMPARE(area.getCodeLength(), 4);
        QVERIFY2(QRegularExpression("^[0-9]{4}$").match(area.codeText()).hasMatch(), qPrintable(area.codeText()));
        area.refresh();
        QVERIFY(QRegularExpression("^[0-9]{4}$").match(area.codeText()).hasMatch());
    }
}

void TestCodeArea::check_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << ""
                           << "" << true;
    QTest::newRow("a fifth digit") << "1"
                                   << "" << false;
    QTest::newRow("leading blank") << ""
                                   << " " << false;
    QTest::newRow("trailing blank") << " "
                                    << "" << false;
}

void TestCodeArea::check()
{
    QFETCH(QString, suffix);
    QFETCH(QString, prefix);
    QFETCH(bool, accepted);
    CodeArea area;
    QCOMPARE(area.checkCode(prefix + area.codeText() + suffix), accepted);
    QVERIFY(!area.checkCode(area.codeText().left(3)));
}

void TestCodeArea::leftClickDrawsANewCode()
{
    CodeArea area;
    area.resize(120, 40);
    area.show();
    const QString first = area.codeText();
    QTest::qWait(5);
    QTest::mouseClick(&area, Qt::RightButton);
    QCOMPARE(area.codeText(), first);
    // A new code may repeat the old one by chance; three clicks in a row may not.
    bool changed = false;
    for (int i = 0; i < 3 && !changed; ++i) {
        QTest::qWait(3);
        QTest::mouseClick(&area, Qt::LeftButton);
        changed = area.codeText() != first;
    }
    QVERIFY(changed);
    QVERIFY(area.checkCode(area.codeText()));
}

void TestCodeArea::frameFollowsTheSize()
{
    CodeArea area;
    for (const QSize &size : { QSize(100, 40), QSize(160, 50) }) {
        area.resize(size);
        const QImage picture = area.grab().toImage();
        // The dashed frame runs along the last column and row of the current size.
        int framePixels = 0;
        for (int y = 0; y < size.height(); ++y) {
            const QColor pixel(picture.pixel(size.width() - 1, y));
            if (pixel.green() > pixel.red() + 40 && pixel.green() > pixel.blue() + 40)
                ++framePixels;
        }
        QVERIFY2(framePixels > size.height() / 4, qPrintable(QString::number(framePixels)));
    }
}

void TestCodeArea::coderOverlayHidesOnBack()
{
    QWidget window;
    window.resize(640, 400);
    auto *overlay = new CoderUI(&window);
    window.show();
    overlay->show();
    QCOMPARE(overlay->size(), QSize(640, 400));
    QVERIFY(overlay->isVisible());
    overlay->findChild<QPushButton *>("backBtn")->click();
    QVERIFY(!overlay->isVisible());
}

QTEST_MAIN(TestCodeArea)
#include "tst_codearea.moc"
