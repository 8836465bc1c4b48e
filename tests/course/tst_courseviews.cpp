#include "platform/fonts/fontsubstitution.h"
#include "tests/course/coursewaretest.h"
#include "vrek/course/coursecenterwidget.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/coursetooloptionwidget.h"
#include "vrek/course/coursetoolview.h"
#include "vrek/course/drawcoursemanager.h"
#include "vrek/course/drawcourseview.h"
#include "vrek/course/htmlcourseview.h"
#include "vrek/course/picturecourseview.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/socketclientmanager.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

using namespace CoursewareTest;

namespace {
const QString deckId = QStringLiteral("8001_2");
const QString picturesId = QStringLiteral("8002_1");

QComboBox *box(QWidget *view, const char *name)
{
    return view->findChild<QComboBox *>(name);
}

QString pageBoxText(QWidget *view)
{
    return box(view, "pageComboBox")->itemText(0);
}

// A choice in the zoom box, as the user makes it.
void chooseZoom(QWidget *view, const QString &text)
{
    QComboBox *zoom = box(view, "rationComboBox");
    const int index = zoom->findText(text);
    zoom->setCurrentIndex(index);
    emit zoom->activated(index);
}

QList<int> stretches(QGridLayout *layout, bool columns)
{
    QList<int> values;
    for (int i = 0; i < 3; ++i)
        values << (columns ? layout->columnStretch(i) : layout->rowStretch(i));
    return values;
}
} // namespace

// The three courseware views as the center view will host them: their arrows and boxes drive their managers as
// this client's own changes, their tool bars follow the role, and they centre what their managers lay out.
class TestCourseViews : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void toolButtonsFollowTheRole_data();
    void toolButtonsFollowTheRole();
    void openSendsByOrigin_data();
    void openSendsByOrigin();
    void pictureArrowsAndBoxesAreOwnChanges_data();
    void pictureArrowsAndBoxesAreOwnChanges();
    void htmlArrowsAndBoxesAreOwnChanges();
    void zoomBoxGivesWholePercent_data();
    void zoomBoxGivesWholePercent();
    void failedOpenKeepsNameAndPageBox();
    void aHugeRateLaysOutAsTheLargestZoom();
    void viewSignalsReachTheManager();
    void boardSplitsTheSpareWidth();
    void courseEnable();

private:
    Session *m_session = nullptr;
    TempWorkDir *m_dir = nullptr;
    ClassroomLink *m_link = nullptr;
};

void TestCourseViews::initTestCase()
{
    FontSubstitution::install();
    m_session = new Session;
    m_dir = &m_session->dir;
    m_link = &m_session->link;
    QVERIFY(m_link->connectToServer());
    HtmlDeck deck;
    deck.outline = HtmlDeck::outlineOf(3);
    QVERIFY(deck.write(*m_dir, deckId));
    QVERIFY(writePictureDeck(*m_dir, picturesId, { "page_1.jpg", "page_2.jpg", "page_3.jpg" }));
}

void TestCourseViews::cleanupTestCase()
{
    delete m_session;
}

void TestCourseViews::init()
{
    g_userType = 0;
    courseIsLect = true;
    m_link->clear();
}

void TestCourseViews::cleanup()
{
    courseIsLect = false;
}

void TestCourseViews::toolButtonsFollowTheRole_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<quint32>("tool");
    QTest::newRow("teacher") << 0 << false << quint32(DrawSignal::Laser);
    QTest::newRow("student") << 1 << true << quint32(DrawSignal::None);
}

void TestCourseViews::toolButtonsFollowTheRole()
{
    QFETCH(int, userType);
    QFETCH(bool, hidden);
    QFETCH(quint32, tool);
    g_userType = userType;
    HtmlCourseView html;
    PictureCourseView pictures;
    DrawCourseView board;
    const QList<QPair<QWidget *, DrawBoard *>> views { { &html, html.board() }, { &pictures, pictures.board() },
        { &board, board.board() } };
    for (const auto &view : views) {
        for (const char *name : { "penButton", "textButton", "eraseButton", "clearButton", "colorButton" })
            QCOMPARE(view.first->findChild<QPushButton *>(name)->isHidden(), hidden);
        QVERIFY(view.first->findChild<QPushButton *>("maximizeButton")->isHidden());
        QCOMPARE(view.second->tool(), tool);
        // The pen option reached the board at once.
        QCOMPARE(view.second->penColor().name(), QString("#fb3838"));
    }
    // The blank board has no drag button and no boxes.
    QVERIFY(board.findChild<QComboBox *>("pageComboBox")->isHidden());
    QVERIFY(!pictures.findChild<QComboBox *>("pageComboBox")->isHidden());
}

void TestCourseViews::openSendsByOrigin_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<bool>("toClass");
    QTest::addColumn<int>("padMessages");
    for (const bool html : { true, false }) {
        const char *kind = html ? "deck" : "pictures";
        // The lecturer's own open brings the zoom along.
        QTest::addRow("%s, own, lecturer", kind) << html << 2 << true << true << 2;
        // A student's own open of pictures still tells the pad what is shown.
        QTest::addRow("%s, own, student", kind) << html << 2 << false << false << (html ? 0 : 1);
        QTest::addRow("%s, server", kind) << html << 1 << false << false << 1;
        QTest::addRow("%s, pad", kind) << html << 0 << true << true << 0;
    }
}

void TestCourseViews::openSendsByOrigin()
{
    QFETCH(bool, html);
    QFETCH(int, from);
    QFETCH(bool, lecturer);
    QFETCH(bool, toClass);
    QFETCH(int, padMessages);
    courseIsLect = lecturer;
    HtmlCourseView deck(nullptr, 20);
    PictureCourseView pictures;
    QSignalSpy pad(html ? static_cast<QWidget *>(&deck) : &pictures, SIGNAL(signalSendPPtMessageOut(PPtMessage)));
    const auto origin = GlobalEnum::PPMFromType(from);
    QVERIFY(html ? deck.openHtmlFile(deckId, "d.pptx", origin) : pictures.openPictureFile(picturesId, "p.pdf", origin));
    const QString control = (html ? deckId : picturesId) + ":0:0:3";
    QStringList lines;
    if (toClass)
        lines << classLine("0$0$" + control);
    if (toClass && from == GlobalEnum::PPMLocal)
        lines << classLine("0$9$" + control + "@100");
    QCOMPARE(m_link->forwards(), lines);
    QCOMPARE(pad.count(), padMessages);
}

void TestCourseViews::pictureArrowsAndBoxesAreOwnChanges_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::newRow("lecturer: the class follows") << true;
    QTest::newRow("student: only the own view moves") << false;
}

void TestCourseViews::pictureArrowsAndBoxesAreOwnChanges()
{
    QFETCH(bool, lecturer);
    courseIsLect = lecturer;
    PictureCourseView view;
    QSignalSpy pad(&view, &PictureCourseView::signalSendPPtMessageOut);
    QVERIFY(view.openPictureFile(picturesId, QString::fromUtf8("分数练习题.pdf"), GlobalEnum::PPMServer));
    QCOMPARE(pageBoxText(&view), QString("1/3"));
    m_link->clear();
    pad.clear();

    view.form().rightButton->click();
    QCOMPARE(pageBoxText(&view), QString("2/3"));
    box(&view, "pageComboBox")->setCurrentIndex(3);
    QCOMPARE(pageBoxText(&view), QString("3/3"));
    QCOMPARE(view.manager()->getPageId(), 2);
    view.form().leftButton->click();
    QCOMPARE(pageBoxText(&view), QString("2/3"));

    const QString prefix = "0$1$" + picturesId;
    const QStringList expected { classLine(prefix + ":1:0:3"), classLine(prefix + ":2:0:3"),
        classLine(prefix + ":1:0:3") };
    QCOMPARE(m_link->forwards(), lecturer ? expected : QStringList());
    QCOMPARE(pad.count(), lecturer ? 3 : 0);
}

void TestCourseViews::htmlArrowsAndBoxesAreOwnChanges()
{
    HtmlCourseView view(nullptr, 20);
    QVERIFY(view.openHtmlFile(deckId, QString::fromUtf8("分数的初步认识.pptx"), GlobalEnum::PPMServer));
    QTRY_VERIFY_WITH_TIMEOUT(view.manager()->isLoaded(), 20000);
    QWebFrame *frame = view.webView()->page()->mainFrame();
    frame->evaluateJavaScript("Presentation.calls = []");
    m_link->clear();

    view.form().rightButton->click();
    box(&view, "pageComboBox")->setCurrentIndex(3);
    QCOMPARE(pageBoxText(&view), QString("3/3"));
    view.form().leftButton->click();
    QCOMPARE(pageBoxText(&view), QString("2/3"));
    QCOMPARE(frame->evaluateJavaScript("Presentation.calls.join('|')").toString(),
        QString("JumpToAnim(1, 1)|JumpToAnim(0, 3)|JumpToAnim(0, 2)"));
    const QString prefix = "0$1$" + deckId;
    QCOMPARE(m_link->forwards(),
        QStringList({ classLine(prefix + ":0:1:3"), classLine(prefix + ":2:0:3"), classLine(prefix + ":1:0:3") }));
}

void TestCourseViews::zoomBoxGivesWholePercent_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("rate");
    QTest::newRow("125%") << "125%" << 125;
    QTest::newRow("110%") << "110%" << 110;
    QTest::newRow("33%") << "33%" << 33;
    QTest::newRow("67%") << "67%" << 67;
    QTest::newRow("400%") << "400%" << 400;
}

void TestCourseViews::zoomBoxGivesWholePercent()
{
    QFETCH(QString, item);
    QFETCH(int, rate);
    PictureCourseView pictures;
    HtmlCourseView html(nullptr, 20);
    QVERIFY(pictures.openPictureFile(picturesId, "p.pdf", GlobalEnum::PPMServer));
    QVERIFY(html.openHtmlFile(deckId, "d.pptx", GlobalEnum::PPMServer));
    m_link->clear();
    chooseZoom(&pictures, item);
    chooseZoom(&html, item);
    QCOMPARE(pictures.manager()->rate(), rate);
    QCOMPARE(html.manager()->rate(), rate);
    QCOMPARE(m_link->forwards(),
        QStringList({ classLine(QString("0$9$%1:0:0:3@%2").arg(picturesId).arg(rate)),
            classLine(QString("0$9$%1:0:0:3@%2").arg(deckId).arg(rate)) }));
}

void TestCourseViews::failedOpenKeepsNameAndPageBox()
{
    PictureCourseView pictures;
    HtmlCourseView html(nullptr, 20);
    QVERIFY(pictures.openPictureFile(picturesId, QString::fromUtf8("分数练习题.pdf"), GlobalEnum::PPMServer));
    QVERIFY(pictures.manager()->changePicturePage(1, GlobalEnum::PPMServer));
    QVERIFY(html.openHtmlFile(deckId, QString::fromUtf8("分数的初步认识.pptx"), GlobalEnum::PPMServer));
    QTest::ignoreMessage(QtWarningMsg, "pictureFileList = 0!");
    QVERIFY(!pictures.openPictureFile("8099_1", "missing.pdf", GlobalEnum::PPMServer));
    QTest::ignoreMessage(QtWarningMsg, "htmlFile is null!");
    QVERIFY(!html.openHtmlFile("8099_2", "missing.pptx", GlobalEnum::PPMServer));
    QVERIFY(pictures.findChild<QLabel *>("courseNameLabel")->text().contains(QString::fromUtf8("分数练习题.pdf")));
    QCOMPARE(pageBoxText(&pictures), QString("2/3"));
    QVERIFY(html.findChild<QLabel *>("courseNameLabel")->text().contains(QString::fromUtf8("分数的初步认识.pptx")));
    QCOMPARE(pageBoxText(&html), QString("1/3"));
}

void TestCourseViews::aHugeRateLaysOutAsTheLargestZoom()
{
    PictureCourseView view;
    QSignalSpy spacer(view.manager(), &PictureCourseManager::signalCenterSpacerChange);
    // As the center view does: the page is shown once its file is open.
    QVERIFY(view.openPictureFile(picturesId, "p.pdf", GlobalEnum::PPMServer));
    view.resize(900, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY(spacer.count() > 0);
    const QSize fitted = spacer.last().at(1).toSize();
    QVERIFY(fitted.width() <= view.form().courseCenterWidget->width());
    QVERIFY(fitted.height() <= view.form().courseCenterWidget->height());
    spacer.clear();
    emit view.signalChangePictureRate(400, GlobalEnum::PPMServer);
    QCOMPARE(spacer.count(), 1);
    const QSize largest = spacer.last().at(1).toSize();
    QVERIFY(largest.width() > view.form().courseCenterWidget->width());
    emit view.signalChangePictureRate(100000, GlobalEnum::PPMServer);
    QCOMPARE(spacer.last().at(1).toSize(), largest);
    QCOMPARE(view.pictureLabel()->pixmap(Qt::ReturnByValue).size(), largest);
    QCOMPARE(stretches(view.form().courseCenterLayout, true), (QList<int> { 0, 1, 0 }));
    // The zoom box shows no such choice.
    QCOMPARE(box(&view, "rationComboBox")->currentIndex(), -1);
}

void TestCourseViews::viewSignalsReachTheManager()
{
    HtmlCourseView html(nullptr, 20);
    PictureCourseView pictures;
    emit html.signalSetHtmlStep(deckId, 2, 1);
    emit html.signalSetHtmlRate(150);
    emit pictures.signalSetPicturePage(picturesId, 2);
    QVERIFY(html.openHtmlFile(deckId, "d.pptx", GlobalEnum::PPMServer));
    QVERIFY(pictures.openPictureFile(picturesId, "p.pdf", GlobalEnum::PPMServer));
    QCOMPARE(html.manager()->getPageId(), 2);
    QCOMPARE(html.manager()->getStepId(), 1);
    QCOMPARE(html.manager()->rate(), 150);
    QCOMPARE(pageBoxText(&pictures), QString("3/3"));

    emit html.signalHtmlDrawGraph(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    emit pictures.signalPictureDrawGraph(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    emit html.signalChangeHtmlStep(0, 0, GlobalEnum::PPMServer);
    QCOMPARE(pageBoxText(&html), QString("1/3"));
    m_link->clear();
    quint32 count = 0;
    emit html.signalSendBoardLate("u9", count);
    emit pictures.signalSendBoardLate("u9", count);
    QCOMPARE(count, 2u);
    emit html.signalSendHtmlLate("u9");
    emit pictures.signalSendPictureLate("u9");
    QCOMPARE(m_link->forwards().size(), 6);
    QCOMPARE(m_link->forwards().at(2), personalLine("u9", "0$0$" + deckId + ":0:0:3"));
    QCOMPARE(m_link->forwards().at(5), personalLine("u9", "0$9$" + picturesId + ":2:0:3@100"));
}

void TestCourseViews::boardSplitsTheSpareWidth()
{
    DrawCourseView view;
    QSignalSpy pad(&view, &DrawCourseView::signalSendPPtMessageOut);
    view.manager()->slotCenterWidgetResize(QSize(1874, 704));
    QCOMPARE(view.manager()->rate(), 1.0);
    QCOMPARE(stretches(view.form().courseCenterLayout, true), (QList<int> { 468, 937, 468 }));
    QCOMPARE(stretches(view.form().courseCenterLayout, false), (QList<int> { 0, 1, 0 }));
    auto *option = view.findChild<CourseToolOptionWidget *>();
    QCOMPARE(option->pos(), QPoint((1874 - option->width()) / 2, view.toolView()->height()));

    emit view.signalDrawDrawGraph(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    QCOMPARE(pad.count(), 1);
    PPtMessage replayed(PPtMessage::BoardDrawOffline);
    replayed.resetDrawSignal(step(DrawSignal::Line, 4, 0));
    emit view.signalDrawDrawGraphAll(replayed);
    quint32 count = 7;
    emit view.signalSendBoardLate("u9", count);
    QCOMPARE(count, 2u);
    QVERIFY(view.clearBoard());
    QCOMPARE(shapeCount(view.board()->graphSet()), 0);
}

void TestCourseViews::courseEnable()
{
    PictureCourseView view;
    view.setCourseEnable(false);
    QVERIFY(!view.form().leftButton->isEnabled());
    QVERIFY(!view.form().rightButton->isEnabled());
    QVERIFY(!box(&view, "pageComboBox")->isEnabled());
    view.setCourseEnable(true);
    QVERIFY(view.form().rightButton->isEnabled());
    QVERIFY(box(&view, "rationComboBox")->isEnabled());
}

QTEST_MAIN(TestCourseViews)
#include "tst_courseviews.moc"
