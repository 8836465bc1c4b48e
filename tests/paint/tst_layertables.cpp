#include "vrek/container/filegraphsethash.h"
#include "vrek/container/graphtoidhash.h"
#include "vrek/container/pagegraphsetlist.h"
#include "vrek/paint/graphset.h"

#include <QtTest>

class TestLayerTables : public QObject
{
    Q_OBJECT

private slots:
    void pagePositions_data();
    void pagePositions();
    void newFileStartsAtTheFirstPage();
    void unknownFileSelectors();
    void secondEntryKeepsTheFirstList();
    void absurdPageCountRefused_data();
    void absurdPageCountRefused();
    void fileClear();
    void layerRegistry();
};

void TestLayerTables::pagePositions_data()
{
    QTest::addColumn<quint32>("pageCount");
    QTest::newRow("no pages") << 0u;
    QTest::newRow("one page") << 1u;
    QTest::newRow("ten pages") << 10u;
}

void TestLayerTables::pagePositions()
{
    QFETCH(quint32, pageCount);
    PageGraphSetList pages(pageCount, "f1");
    QCOMPARE(pages.size(), int(pageCount) + 1);
    for (quint32 pos = 0; pos <= pageCount; ++pos) {
        QCOMPARE(pages.selectGraphSetId(pos), 0u);
        pages.insertGraphSetId(pos, 100 + pos);
    }
    for (quint32 pos = 0; pos <= pageCount; ++pos)
        QCOMPARE(pages.selectGraphSetId(pos), 100 + pos);

    const QByteArray refused = "the pos error! pos: " + QByteArray::number(pageCount + 1);
    QTest::ignoreMessage(QtCriticalMsg, refused.constData());
    pages.insertGraphSetId(pageCount + 1, 7);
    const QByteArray missing = "the pos does not exist! pos: " + QByteArray::number(pageCount + 1);
    QTest::ignoreMessage(QtWarningMsg, missing.constData());
    QCOMPARE(pages.selectGraphSetId(pageCount + 1), 0u);
    QCOMPARE(pages.size(), int(pageCount) + 1);
}

void TestLayerTables::newFileStartsAtTheFirstPage()
{
    FileGraphSetHash files;
    files.setPageId("f1", 4); // set before the list: kept
    PageGraphSetList *pages = files.insertPageGraphSetList(5, "f1");
    QVERIFY(pages);
    QCOMPARE(pages->fileIdAll(), QString("f1"));
    QCOMPARE(files.selectPageId("f1"), 4u);
    QCOMPARE(files.selectStepId("f1"), 0u);
    QCOMPARE(files.selectTimeId("f1"), 0u);
    QCOMPARE(files.selectIsPause("f1"), false);
    QVERIFY(files.containsStepId("f1") && files.containsTimeId("f1") && files.containsIsPause("f1"));
    files.setStepId("f1", 3);
    files.setTimeId("f1", 90000);
    files.setIsPause("f1", true);
    QCOMPARE(files.selectStepId("f1"), 3u);
    QCOMPARE(files.selectTimeId("f1"), 90000u);
    QCOMPARE(files.selectIsPause("f1"), true);
}

void TestLayerTables::unknownFileSelectors()
{
    FileGraphSetHash files;
    QTest::ignoreMessage(QtCriticalMsg, "the pageIdHash don't exist fia: \"nope\"");
    QCOMPARE(files.selectPageId("nope"), 0u);
    QTest::ignoreMessage(QtCriticalMsg, "the stepIdHash don't exist fia: \"nope\"");
    QCOMPARE(files.selectStepId("nope"), 0u);
    QTest::ignoreMessage(QtCriticalMsg, "fia: \"nope\"");
    QCOMPARE(files.selectTimeId("nope"), 0u);
    // A file never entered counts as paused, so that nothing plays for it.
    QTest::ignoreMessage(QtCriticalMsg, "fia: \"nope\"");
    QCOMPARE(files.selectIsPause("nope"), true);
    QVERIFY(!files.containsPageId("nope"));
}

void TestLayerTables::secondEntryKeepsTheFirstList()
{
    FileGraphSetHash files;
    PageGraphSetList *first = files.insertPageGraphSetList(3, "f1");
    first->insertGraphSetId(2, 42);
    files.setPageId("f1", 2);
    PageGraphSetList *second = files.insertPageGraphSetList(9, "f1");
    QCOMPARE(second, first);
    QCOMPARE(second->size(), 4);
    QCOMPARE(second->selectGraphSetId(2), 42u);
    QCOMPARE(files.selectPageId("f1"), 2u);
    QVERIFY(files.insertPageGraphSetList(9, "f2") != first);
}

void TestLayerTables::absurdPageCountRefused_data()
{
    QTest::addColumn<quint32>("pageCount");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("at the bound") << PageGraphSetList::maxPageCount << true;
    QTest::newRow("past the bound") << PageGraphSetList::maxPageCount + 1 << false;
    QTest::newRow("wraps count + 1") << 0xFFFFFFFFu << false;
}

void TestLayerTables::absurdPageCountRefused()
{
    QFETCH(quint32, pageCount);
    QFETCH(bool, accepted);
    FileGraphSetHash files;
    if (!accepted) {
        const QByteArray warning = "the page count error! count: " + QByteArray::number(pageCount) + " fia: \"big\"";
        QTest::ignoreMessage(QtWarningMsg, warning.constData());
    }
    PageGraphSetList *pages = files.insertPageGraphSetList(pageCount, "big");
    QCOMPARE(pages != nullptr, accepted);
    QCOMPARE(files.containsPageId("big"), accepted);
    if (accepted)
        QCOMPARE(pages->size(), int(pageCount) + 1);

    // A list made directly with such a count holds nothing and refuses every position.
    if (!accepted) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the page count error!"));
        PageGraphSetList direct(pageCount, "big");
        QCOMPARE(direct.size(), 0);
        QTest::ignoreMessage(QtCriticalMsg, "the pos error! pos: 0");
        direct.insertGraphSetId(0, 1);
    }
}

void TestLayerTables::fileClear()
{
    FileGraphSetHash files;
    files.insertPageGraphSetList(2, "f1");
    files.insertPageGraphSetList(2, "f2");
    files.clear();
    QVERIFY(!files.containsPageId("f1"));
    QVERIFY(!files.containsIsPause("f2"));
    // After a clear the file starts afresh.
    PageGraphSetList *pages = files.insertPageGraphSetList(6, "f1");
    QCOMPARE(pages->size(), 7);
}

void TestLayerTables::layerRegistry()
{
    GraphToIdHash layers;
    auto *layer = new GraphSet;
    const quint32 k = layer->getId();
    layers.insertGraphSet(k, layer);
    layers.insertFileIdAll(k, "f1");
    layers.insertFileIdAll(k, "f2"); // replaced
    layers.insertPageId(k, 3);
    layers.insertPPtFileCount(k, 12);
    QCOMPARE(layers.selectGraphSet(k), layer);
    QCOMPARE(layers.selectUIntToFileIdAll(k), QString("f2"));
    QCOMPARE(layers.selectPageId(k), 3u);
    QCOMPARE(layers.selectPPtFileCount(k), 12u);
    QCOMPARE(layers.graphSetIds(), QList<quint32> { k });

    const quint32 unknown = k + 1000;
    const QByteArray missing = "the k does not exist! k: " + QByteArray::number(unknown);
    QTest::ignoreMessage(QtInfoMsg, missing.constData());
    QCOMPARE(layers.selectGraphSet(unknown), nullptr);
    QTest::ignoreMessage(QtCriticalMsg, missing.constData());
    QVERIFY(layers.selectUIntToFileIdAll(unknown).isEmpty());
    QTest::ignoreMessage(QtCriticalMsg, missing.constData());
    QCOMPARE(layers.selectPageId(unknown), 0u);
    QTest::ignoreMessage(QtCriticalMsg, missing.constData());
    QCOMPARE(layers.selectPPtFileCount(unknown), 0u);

    layers.clear(); // deletes the layer
    QVERIFY(layers.graphSetIds().isEmpty());
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^the k does not exist!"));
    QVERIFY(layers.selectUIntToFileIdAll(k).isEmpty());
}

QTEST_GUILESS_MAIN(TestLayerTables)
#include "tst_layertables.moc"
