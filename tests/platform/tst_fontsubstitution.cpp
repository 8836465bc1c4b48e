#include "platform/fonts/fontsubstitution.h"

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QtTest>

class TestFontSubstitution : public QObject
{
    Q_OBJECT

private slots:
    void windowsFamiliesRenderWithTheCjkFont_data();
    void windowsFamiliesRenderWithTheCjkFont();
};

void TestFontSubstitution::windowsFamiliesRenderWithTheCjkFont_data()
{
    QTest::addColumn<QString>("family");
    for (const QString &family : FontSubstitution::substitutedFamilies())
        QTest::newRow(qPrintable(family)) << family;
}

void TestFontSubstitution::windowsFamiliesRenderWithTheCjkFont()
{
    QFETCH(QString, family);
    FontSubstitution::install();
    FontSubstitution::install(); // twice is the same as once
    QCOMPARE(QFont::substitutes(family).size(), 1);
    QCOMPARE(QFontInfo(QFont(family)).family(), FontSubstitution::substituteFamily());
}

QTEST_MAIN(TestFontSubstitution)
#include "tst_fontsubstitution.moc"
