#include "vrek/class/volumeprogressbar.h"

#include <QImage>
#include <QtTest>

namespace {
const QRgb lit = qRgb(106, 171, 217);
const QRgb unlit = qRgb(229, 229, 229);
const QRgb untouched = qRgb(255, 0, 255);
} // namespace

// The level bar's pixels: 4-pixel bars every 8 pixels, lit up to the value, nothing else drawn.
class TestVolumeProgressBar : public QObject
{
    Q_OBJECT
private slots:
    void pixels_data();
    void pixels();
};

void TestVolumeProgressBar::pixels_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("litBars");
    // Width 40: bars at 0, 8, 16, 24, 32.
    QTest::newRow("nothing") << 40 << 100 << 0 << 0;
    QTest::newRow("reset (value below the range)") << 40 << 100 << -1 << 0;
    QTest::newRow("any value lights the first bar") << 40 << 100 << 1 << 1;
    QTest::newRow("a quarter, 10 px") << 40 << 100 << 25 << 2;
    QTest::newRow("half, 20 px") << 40 << 100 << 50 << 3;
    QTest::newRow("just past a bar's start") << 40 << 100 << 41 << 3;
    QTest::newRow("full") << 40 << 100 << 100 << 5;
    QTest::newRow("the meter's width, 150 px at 99") << 150 << 100 << 99 << 19;
    QTest::newRow("no range") << 40 << 0 << 0 << 0;
}

void TestVolumeProgressBar::pixels()
{
    QFETCH(int, width);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(int, litBars);
    const int height = 12;
    VolumeProgressBar bar;
    bar.setRange(0, maximum);
    if (value >= 0)
        bar.setValue(value);
    else
        bar.reset();
    bar.resize(width, height);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(untouched);
    bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int bars = 0;
    for (int x = 0; x < width; x += 8) {
        const QRgb expected = bars < litBars ? lit : unlit;
        for (int dx = 0; dx < 8 && x + dx < width; ++dx) {
            for (int y : { 0, height / 2, height - 1 }) {
                const QRgb want = dx < 4 ? expected : untouched;
                QVERIFY2(image.pixel(x + dx, y) == want,
                    qPrintable(QString("pixel %1,%2 is %3").arg(x + dx).arg(y).arg(image.pixel(x + dx, y), 0, 16)));
            }
        }
        ++bars;
    }
}

QTEST_MAIN(TestVolumeProgressBar)
#include "tst_volumeprogressbar.moc"
