#include "tests/course/coursewaretest.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/picturecoursemanager.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/socketclientmanager.h"

#include <QBuffer>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

using namespace CoursewareTest;

namespace {
const QString deckId = QStringLiteral("7001_1");
} // namespace

// The picture courseware manager on received folders of our own, with a real classroom connection.
class TestPictureCourseManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void pagesInNumberOrder();
    void picturesDecodedByTheirFirstBytes_data();
    void picturesDecodedByTheirFirstBytes();
    void openFailures();
    void theSamePageAgainResends();
    void pagesTurnAtTheEdges();
    void afterARefusedOpenNothingIndexesOutside();
    void everyPageTakesTheFirstPagesProportions();
    void serverRateShowsInTheZoomBoxAndAlwaysFits();
    void lateJoinerGetsTheFileAndTheZoom();
    void aRememberedPageBeyondTheFileOpensTheFirst();

private:
    QStringList classLines() const { return m_link->forwards(); }

    Session *m_session = nullptr;
    TempWorkDir *m_dir = nullptr;
    ClassroomLink *m_link = nullptr;
    DrawBoard *m_board = nullptr;
    QLabel *m_label = nullptr;
    PictureCourseManager *m_manager = nullptr;
    QSignalSpy *m_pad = nullptr;
};

void TestPictureCourseManager::initTestCase()
{
    m_session = new Session;
    m_dir = &m_session->dir;
    m_link = &m_session->link;
    QVERIFY(m_link->connectToServer());
    QVERIFY(writePictureDeck(*m_dir, deckId, { "page_2.jpg", "page_10.jpg", "page_1.jpg" },
        { QSize(400, 550), QSize(800, 600), QSize(200, 275) }));
}

void TestPictureCourseManager::cleanupTestCase()
{
    delete m_session;
}

void TestPictureCourseManager::init()
{
    g_userType = 0;
    courseIsLect = true;
    m_board = new DrawBoard;
    m_label = new QLabel;
    m_manager = new PictureCourseManager(m_board, m_label);
    m_pad = new QSignalSpy(m_manager, &PictureCourseManager::signalSendPPtMessageOut);
    m_link->clear();
}

void TestPictureCourseManager::cleanup()
{
    delete m_pad;
    delete m_manager;
    delete m_label;
    delete m_board;
    courseIsLect = false;
}

void TestPictureCourseManager::pagesInNumberOrder()
{
    const QString folder = QStringLiteral("order");
    for (const char *name : { "page_2.jpg", "page_10.jpg", "page_1.jpg", "Cover.jpg", "a_b_3.png", "x_07.jpg" })
        QVERIFY(m_dir->writeFile(folder + "/" + name, "x"));
    QVERIFY(QDir().mkpath(m_dir->filePath(folder + "/page_0")));
    QStringList names;
    for (const QString &path : PictureCourseManager::listPictures(m_dir->filePath(folder)))
        names << QFileInfo(path).fileName();
    QCOMPARE(names, QStringList({ "Cover.jpg", "page_1.jpg", "page_2.jpg", "a_b_3.png", "x_07.jpg", "page_10.jpg" }));
}

void TestPictureCourseManager::picturesDecodedByTheirFirstBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("loads");
    QTest::newRow("a JPEG") << "one.jpg" << QByteArray("JPG") << true;
    QTest::newRow("a PNG named .jpg") << "two.jpg" << QByteArray("PNG") << true;
    QTest::newRow("a BMP: by the reader's choice") << "three.bmp" << QByteArray("BMP") << true;
    QTest::newRow("a JPEG head with a broken body") << "four.jpg" << QByteArray("broken") << false;
    QTest::newRow("an empty file") << "five.jpg" << QByteArray() << false;
}

void TestPictureCourseManager::picturesDecodedByTheirFirstBytes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(bool, loads);
    QByteArray bytes;
    if (format == "broken") {
        bytes = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(40, 'x');
    } else if (!format.isEmpty()) {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, format.constData()));
    }
    QVERIFY(m_dir->writeFile("decode/" + name, bytes));
    QImage picture(5, 5, QImage::Format_RGB32);
    QCOMPARE(PictureCourseManager::loadPicture(m_dir->filePath("decode/" + name), picture), loads);
    if (loads)
        QCOMPARE(picture.size(), QSize(30, 20));
    else if (format.isEmpty())
        QCOMPARE(picture.size(), QSize(5, 5));
}

void TestPictureCourseManager::openFailures()
{
    QVERIFY(QDir().mkpath(m_dir->filePath("fileRecv/u1/7002_1")));
    QTest::ignoreMessage(QtWarningMsg, "pictureFileList = 0!");
    QVERIFY(!m_manager->openPictureFile("7002_1", GlobalEnum::PPMLocal));
    QVERIFY(m_dir->writeFile("fileRecv/u1/7003_1/page_1.jpg", "no picture"));
    QTest::ignoreMessage(QtWarningMsg, "pictureSize = 0!");
    QVERIFY(!m_manager->openPictureFile("7003_1", GlobalEnum::PPMLocal));
    QTest::ignoreMessage(QtWarningMsg, "pictureFileList = 0!");
    QVERIFY(!m_manager->openPictureFile("7404_1", GlobalEnum::PPMLocal));
    QVERIFY(classLines().isEmpty());
    QCOMPARE(m_pad->count(), 0);
}

void TestPictureCourseManager::theSamePageAgainResends()
{
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    GraphSet *layer = m_board->graphSet();
    m_link->clear();
    for (int i = 0; i < 2; ++i)
        QVERIFY(m_manager->changePicturePage(0, GlobalEnum::PPMLocal));
    const QString line = classLine("0$1$" + deckId + ":0:0:3");
    QCOMPARE(classLines(), QStringList({ line, line }));
    QCOMPARE(m_board->graphSet(), layer);
    QCOMPARE(shapeCount(layer), 1);
}

void TestPictureCourseManager::pagesTurnAtTheEdges()
{
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    m_link->clear();
    m_pad->clear();
    QVERIFY(!m_manager->frontPicturePage(GlobalEnum::PPMLocal));
    QVERIFY(m_manager->nextPicturePage(GlobalEnum::PPMLocal));
    QVERIFY(m_manager->nextPicturePage(GlobalEnum::PPMLocal));
    QVERIFY(!m_manager->nextPicturePage(GlobalEnum::PPMLocal));
    QVERIFY(m_manager->frontPicturePage(GlobalEnum::PPMServer));
    QCOMPARE(m_manager->getPageId(), 1);
    QCOMPARE(
        classLines(), QStringList({ classLine("0$1$" + deckId + ":1:0:3"), classLine("0$1$" + deckId + ":2:0:3") }));
    // The server's turn goes to the pad only, the page box untouched by the arrows.
    QCOMPARE(m_pad->count(), 3);
    QTest::ignoreMessage(QtWarningMsg, "PictureCourseManager::changePicturePage pageId: 3 pageCount: 3");
    QVERIFY(!m_manager->changePicturePage(3, GlobalEnum::PPMLocal));
    QSignalSpy pageBox(m_manager, &PictureCourseManager::signalSetPageCombox);
    QVERIFY(m_manager->changePicturePage(2, GlobalEnum::PPMServer));
    QCOMPARE(pageBox.count(), 1);
    QCOMPARE(pageBox.first(), (QList<QVariant> { 2, 3 }));
}

void TestPictureCourseManager::afterARefusedOpenNothingIndexesOutside()
{
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    QVERIFY(m_manager->changePicturePage(2, GlobalEnum::PPMServer));
    QVERIFY(QDir().mkpath(m_dir->filePath("fileRecv/u1/7005_1")));
    QTest::ignoreMessage(QtWarningMsg, "pictureFileList = 0!");
    QVERIFY(!m_manager->openPictureFile("7005_1", GlobalEnum::PPMServer));
    m_link->clear();
    m_pad->clear();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^no picture file open!"));
    QVERIFY(!m_manager->frontPicturePage(GlobalEnum::PPMLocal));
    QVERIFY(!m_manager->nextPicturePage(GlobalEnum::PPMLocal));
    QTest::ignoreMessage(QtWarningMsg, "PictureCourseManager::changePicturePage pageId: 0 pageCount: 0");
    QVERIFY(!m_manager->changePicturePage(0, GlobalEnum::PPMServer));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^no picture file open!"));
    QVERIFY(m_manager->closePictureFile());
    m_manager->slotCenterWidgetResize(QSize(600, 600));
    QVERIFY(m_manager->changePictureRate(150, GlobalEnum::PPMServer));
    QVERIFY(classLines().isEmpty());
    // A good folder opens again at the page it was left at.
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    QCOMPARE(m_manager->getPageId(), 2);
}

void TestPictureCourseManager::everyPageTakesTheFirstPagesProportions()
{
    QSignalSpy spacer(m_manager, &PictureCourseManager::signalCenterSpacerChange);
    m_manager->slotCenterWidgetResize(QSize(800, 800));
    QCOMPARE(spacer.count(), 0);
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    m_manager->slotCenterWidgetResize(QSize(800, 1100));
    // page_1 is 200 x 275: fitted by the width, 4.0.
    QCOMPARE(spacer.last().at(1).toSize(), QSize(800, 1100));
    QCOMPARE(m_manager->displayScale(), 4.0);
    for (int page : { 1, 2 }) {
        QVERIFY(m_manager->changePicturePage(page, GlobalEnum::PPMServer));
        QCOMPARE(m_label->pixmap(Qt::ReturnByValue).size(), QSize(800, 1100));
    }
    // page_10 is 800 x 600 and stretched: its picture is shown, not the first one's.
    const QImage shown = m_label->pixmap(Qt::ReturnByValue).toImage();
    QImage last;
    QVERIFY(PictureCourseManager::loadPicture(m_manager->pictureList().at(2), last));
    QCOMPARE(last.size(), QSize(800, 600));
    QVERIFY(qAbs(QColor(shown.pixel(400, 550)).hue() - QColor(last.pixel(400, 300)).hue()) < 20);
}

void TestPictureCourseManager::serverRateShowsInTheZoomBoxAndAlwaysFits()
{
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    m_manager->slotCenterWidgetResize(QSize(400, 550));
    QSignalSpy zoomBox(m_manager, &PictureCourseManager::signalSetRateCombox);
    QSignalSpy spacer(m_manager, &PictureCourseManager::signalCenterSpacerChange);
    QVERIFY(m_manager->changePictureRate(175, GlobalEnum::PPMServer));
    QCOMPARE(zoomBox.first().first().toDouble(), 1.75);
    QCOMPARE(spacer.last().at(1).toSize(), QSize(700, 963));
    QVERIFY(m_manager->changePictureRate(100000, GlobalEnum::PPMServer));
    QCOMPARE(spacer.last().at(1).toSize(), QSize(1600, 2200));
    QCOMPARE(m_manager->rate(), 100000);
}

void TestPictureCourseManager::lateJoinerGetsTheFileAndTheZoom()
{
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    QVERIFY(m_manager->changePicturePage(1, GlobalEnum::PPMServer));
    QVERIFY(m_manager->changePictureRate(150, GlobalEnum::PPMServer));
    m_link->clear();
    m_manager->slotSendPictureLate("u9");
    QCOMPARE(classLines(),
        QStringList(
            { personalLine("u9", "0$0$" + deckId + ":1:0:3"), personalLine("u9", "0$9$" + deckId + ":1:0:3@150") }));
    // A file that is not shown only keeps what it is told.
    m_manager->slotSetPicturePage("7009_1", 2);
    QCOMPARE(m_manager->fileGraphSetHash().selectPageId("7009_1"), 2u);
    m_manager->slotSetPictureRate(80);
    QCOMPARE(m_manager->rate(), 80);
}

void TestPictureCourseManager::aRememberedPageBeyondTheFileOpensTheFirst()
{
    m_manager->slotSetPicturePage(deckId, 7);
    QTest::ignoreMessage(QtWarningMsg, "the remembered pageId error! pageId: 7 pageCount: 3");
    QVERIFY(m_manager->openPictureFile(deckId, GlobalEnum::PPMServer));
    QCOMPARE(m_manager->getPageId(), 0);
    QCOMPARE(text(m_pad->first().first().value<PPtMessage>()), "0$0$" + deckId + ":0:0:3");
    QVERIFY(m_manager->nextPicturePage(GlobalEnum::PPMLocal));
    QCOMPARE(m_manager->getPageId(), 1);
}

QTEST_MAIN(TestPictureCourseManager)
#include "tst_picturecoursemanager.moc"
