// Texts the client shows at its usual sizes on 1366x768 and 1920x1080 screens, measured with the fonts the client
// renders with (the installed CJK font for "微软雅黑"): each is shown whole where it stands, and where a name is
// shortened on purpose, only as specified.
#include "platform/fonts/fontsubstitution.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/class/selectclassview.h"
#include "vrek/class/videobackview.h"
#include "vrek/class/videotreemodel.h"
#include "vrek/class/videotreeview.h"
#include "vrek/course/coursefilebutton.h"
#include "vrek/course/toolbutton.h"
#include "vrek/model/groupinfo.h"
#include "vrek/userinfo/bindtipview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/tipwidget.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <QtTest>

namespace {
// Puts a top-level widget on the given screen and waits until it is shown.
bool showOn(QWidget *widget, int screen)
{
    // Each screen is an X screen of its own: a position alone never takes the window to the second one, where
    // a manager that keeps windows within their screen would narrow it to the first one's width.
    QScreen *target = QGuiApplication::screens().at(screen);
    widget->createWinId();
    widget->windowHandle()->setScreen(target);
    widget->move(target->geometry().topLeft() + QPoint(20, 20));
    widget->show();
    return QTest::qWaitForWindowExposed(widget) && widget->windowHandle()->screen() == target;
}


GroupInfo lesson(int number, int minutes, const QString &begin)
{
    GroupInfo info;
    info.setTitle(QStringLiteral("第%1课 分数的初步认识").arg(number));
    info.setActualTime(QString::number(minutes));
    info.setBeginTime(begin);
    info.setVideoId(QString("v%1").arg(number));
    info.setIsCanLook(true);
    return info;
}
} // namespace

class TestTextFit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void fileTiles_data();
    void fileTiles();
    void shortTips_data();
    void shortTips();
    void lessonRows_data();
    void lessonRows();
    void personalCentre_data();
    void personalCentre();
    void courseTabs_data();
    void courseTabs();
    void praiseLine_data();
    void praiseLine();
};

void TestTextFit::initTestCase()
{
    FontSubstitution::install();
    QCOMPARE(QGuiApplication::screens().size(), 2);
    QCOMPARE(QGuiApplication::screens().at(0)->geometry().size(), QSize(1366, 768));
    QCOMPARE(QGuiApplication::screens().at(1)->geometry().size(), QSize(1920, 1080));
}

void TestTextFit::init()
{
    g_uiScale = 1.0;
}

void TestTextFit::fileTiles_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("screen");
    const QStringList names
        = { "分数的初步认识.pptx", "英语口语练习.pdf", "古诗词诵读.docx", "古诗.mp4", "Fractions-and-parts.pptx" };
    for (const QString &name : names) {
        for (double scale : { 1.0, 1.25 }) {
            for (int screen : { 0, 1 })
                QTest::addRow("%s, %g, screen %d", qPrintable(name), scale, screen) << name << scale << screen;
        }
    }
}

// A tile shows the shortened name it is given (first characters, "...", suffix), every character of it.
void TestTextFit::fileTiles()
{
    QFETCH(QString, fileName);
    QFETCH(double, scale);
    QFETCH(int, screen);
    g_uiScale = scale;
    QWidget host;
    auto *tile = new CourseFileButton("file-1", fileName, &host);
    host.resize(tile->size());
    QVERIFY(showOn(&host, screen));
    ToolButton *button = tile->mainButton();
    QCOMPARE(button->text(), CourseFileButton::buttonText(fileName, scale));
    QVERIFY2(button->sizeHint().width() <= button->width(),
        qPrintable(QString("%1 needs %2 of %3").arg(button->text()).arg(button->sizeHint().width()).arg(button->width())));
    QVERIFY(button->sizeHint().height() <= button->height());
}

void TestTextFit::shortTips_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("screen");
    for (int screen : { 0, 1 }) {
        for (double scale : { 1.0, 1.25 }) {
            QTest::addRow("sort, %g, screen %d", scale, screen) << QStringLiteral(" 请勿频繁操作!") << scale << screen;
            QTest::addRow("refresh, %g, screen %d", scale, screen) << QStringLiteral(" 请勿频繁刷新!") << scale << screen;
        }
    }
}

// The small tip bar of the recorded-lesson pages holds its tip on one line.
void TestTextFit::shortTips()
{
    QFETCH(QString, text);
    QFETCH(double, scale);
    QFETCH(int, screen);
    g_uiScale = scale;
    QWidget page;
    page.resize(800, 500);
    TipWidget *tip = TipWidget::smallBar(&page);
    QVERIFY(showOn(&page, screen));
    tip->showTip(text, 3);
    auto *label = tip->findChild<QLabel *>("label");
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QVERIFY(label->isVisible());
    const int oneLine = label->heightForWidth(QWIDGETSIZE_MAX);
    QVERIFY2(label->heightForWidth(label->width()) <= oneLine,
        qPrintable(QString("%1 px wide for %2").arg(label->width()).arg(label->fontMetrics().horizontalAdvance(text))));
}

void TestTextFit::lessonRows_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("screen");
    // The table's width in the course list at its first size, and in the window maximised on each screen.
    QTest::newRow("course list, 1366") << 865 << 0;
    QTest::newRow("course list, 1920") << 865 << 1;
    QTest::newRow("maximised, 1366") << 1110 << 0;
    QTest::newRow("maximised, 1920") << 1660 << 1;
}

// A recorded series' lessons show their number, title, length and time whole, and the headers theirs.
void TestTextFit::lessonRows()
{
    QFETCH(int, width);
    QFETCH(int, screen);
    QWidget page;
    auto *layout = new QVBoxLayout(&page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *tree = new VideoTreeView(&page);
    tree->setFont(QFont("Agency FB", 10));
    tree->setStyleSheet("QTreeView::item{height:50px;}QTreeView{font-size:15px;}");
    layout->addWidget(tree);
    page.resize(width, 600);
    QVERIFY(showOn(&page, screen));
    tree->addRow(lesson(1, 41, "2025-09-01 08:00:00"));
    tree->addRow(lesson(12, 45, "2025-11-17 08:00:00"));
    tree->addRow(lesson(35, 120, "2026-04-27 14:30:00"));
    QCOMPARE(tree->width(), width);
    for (int column : { VideoTreeModel::NumberColumn, VideoTreeModel::TitleColumn, VideoTreeModel::DurationColumn,
             VideoTreeModel::TimeColumn }) {
        const int shown = tree->columnWidth(column);
        QVERIFY2(tree->header()->sectionSizeHint(column) <= shown, qPrintable(QString("header %1").arg(column)));
        for (int row = 0; row < tree->model()->rowCount(); ++row) {
            const QModelIndex index = tree->model()->index(row, column);
            QVERIFY2(tree->sizeHintForIndex(index).width() <= shown,
                qPrintable(QString("%1 needs %2 of %3")
                               .arg(index.data().toString())
                               .arg(tree->sizeHintForIndex(index).width())
                               .arg(shown)));
        }
    }
    // The open buttons keep room for themselves.
    QWidget *button = tree->indexWidget(tree->model()->index(0, VideoTreeModel::ButtonColumn));
    QVERIFY(button);
    QVERIFY(button->sizeHint().width() <= tree->columnWidth(VideoTreeModel::ButtonColumn));
}

void TestTextFit::personalCentre_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("screen");
    for (int screen : { 0, 1 }) {
        for (double scale : { 1.0, 1.25 }) {
            QTest::addRow("student, %g, screen %d", scale, screen) << 1 << scale << screen;
            QTest::addRow("lecturer, %g, screen %d", scale, screen) << 0 << scale << screen;
        }
    }
}

// The personal centre's values stand in one column, each shown whole; so do the change panel's fields.
void TestTextFit::personalCentre()
{
    QFETCH(int, userType);
    QFETCH(double, scale);
    QFETCH(int, screen);
    g_userType = userType;
    g_uiScale = scale;
    g_userName = QStringLiteral("王老师");
    g_mobile = "13800000000";
    g_gradeClassName = QStringLiteral("三年级 2班");
    g_passWord = "tavi2026";
    BindTipView page;
    page.resize(920, 600);
    page.updatePersonalInfo();
    QVERIFY(showOn(&page, screen));
    QWidget *data = page.findChild<QWidget *>("verticalWidget");
    QStringList values { "nameLabel", "phoneLabel", "passwordLineEdit" };
    if (userType != 0)
        values << "classNameLabel";
    const int left = page.findChild<QWidget *>("nameLabel")->mapTo(data, QPoint()).x();
    for (const QString &name : values) {
        auto *value = page.findChild<QWidget *>(name);
        QVERIFY2(value->isVisible(), qPrintable(name));
        QCOMPARE(value->mapTo(data, QPoint()).x(), left);
        if (auto *label = qobject_cast<QLabel *>(value))
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    }
    for (const char *caption : { "userNameLabel", "label_2", "passwordlabel" }) {
        auto *label = page.findChild<QLabel *>(caption);
        QVERIFY2(label->sizeHint().width() <= label->width(), caption);
    }

    page.findChild<QPushButton *>("resetButton")->click();
    QWidget *panel = page.findChild<QWidget *>("passwordWidget");
    QTRY_VERIFY(panel->isVisible());
    const int editLeft = page.findChild<QWidget *>("oldPasswordLineEdit")->mapTo(panel, QPoint()).x();
    for (const char *edit : { "newPasswordLineEdit", "surePasswordLineEdit" })
        QCOMPARE(page.findChild<QWidget *>(edit)->mapTo(panel, QPoint()).x(), editLeft);
}

void TestTextFit::courseTabs_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("live");
    QTest::addColumn<int>("screen");
    for (int screen : { 0, 1 }) {
        QTest::addRow("lecturer's live courses, screen %d", screen) << 0 << true << screen;
        QTest::addRow("student's live courses, screen %d", screen) << 1 << true << screen;
        QTest::addRow("lecturer's recorded lessons, screen %d", screen) << 0 << false << screen;
    }
}

// The course list's tabs show their labels whole at the page's first width.
void TestTextFit::courseTabs()
{
    QFETCH(int, userType);
    QFETCH(bool, live);
    QFETCH(int, screen);
    g_userType = userType;
    QWidget host;
    auto *layout = new QVBoxLayout(&host);
    QWidget *page = live ? static_cast<QWidget *>(new SelectClassView) : new VideobackView;
    layout->addWidget(page);
    host.resize(920, 600);
    QVERIFY(showOn(&host, screen));
    QTabWidget *tabs = live ? static_cast<SelectClassView *>(page)->tabWidget()
                            : static_cast<VideobackView *>(page)->tabWidget();
    QTabBar *bar = tabs->tabBar();
    QVERIFY(bar->count() > 0);
    // The tabs' font, as their style sheet gives it; the tab's side margins and its triangular shape's slanted
    // sides take about a quarter of its height on each side at the text's height.
    QFont font("微软雅黑");
    font.setPixelSize(16);
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        const int room = tab.width() - 2 * (tab.height() / 4);
        const int needed = QFontMetrics(font).horizontalAdvance(bar->tabText(i));
        QVERIFY2(needed <= room, qPrintable(QString("%1 needs %2 of %3").arg(bar->tabText(i)).arg(needed).arg(room)));
        QVERIFY2(bar->rect().contains(tab), qPrintable(bar->tabText(i)));
    }
}

void TestTextFit::praiseLine_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : { "你", "张小红", "欧阳晓明", "司马相如明", "爱新觉罗·玄烨" })
        QTest::newRow(qPrintable(name)) << name;
}

// The notice names whom the teacher praised, every character of the name.
void TestTextFit::praiseLine()
{
    QFETCH(QString, name);
    g_userName = QStringLiteral("李小明");
    UserInfo user;
    user.setUserId("S9");
    user.setUserName(name == "你" ? g_userName : name);
    g_userInfoHash.updateUserInfo(user);
    PraiseView notice;
    notice.setFadeDuration(60000);
    notice.readPraiseMessage("S9", "1", "1");
    QVERIFY(QTest::qWaitForWindowExposed(&notice));
    QCOMPARE(notice.text(), QStringLiteral("老师表扬了 ") + name);
    QLabel *label = notice.findChildren<QLabel *>().last();
    QCOMPARE(label->text(), notice.text());
    QVERIFY2(label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                               : label->sizeHint().width() <= label->width(),
        qPrintable(QString("%1 px wide, %2 high for %3 px of text")
                       .arg(label->width())
                       .arg(label->height())
                       .arg(label->fontMetrics().horizontalAdvance(label->text()))));
    // The flower keeps most of the notice.
    QVERIFY(notice.findChildren<QLabel *>().first()->height() >= PraiseView::noticeHeight / 2);
}

VREK_XVFB_TEST_MAIN_SCREENS(TestTextFit, { QSize(1366, 768), QSize(1920, 1080) })
#include "tst_textfit.moc"
