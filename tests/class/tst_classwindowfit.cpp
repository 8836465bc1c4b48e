// The class windows at every size a student can give them, on a desktop at the size and with the window manager
// CTest chose: made as small as the manager lets them, restored, maximised and locked. What must hold at each:
// the chat's rows lie in its list and at least three of them whole, nothing of a row lies over the input below
// it, and the participant and chat tabs are whole and on top. Geometry is read on the screen: the X server's
// place of the window and each widget's place in it, and the widget Qt finds on top at a point.
#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/class/classwindowtest.h"
#include "tests/support/classroomlink.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/maintool/toolview.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {
constexpr int settleMs = 15000;
// The frame flags the application gives the class windows.
constexpr int classWindowFlags = 0x300408;
// Fewer whole rows than this and a conversation cannot be followed.
constexpr int wholeRowsNeeded = 3;

XvfbDisplay *display()
{
    return vrekTestDisplay();
}

// The widget's rectangle (or one of it) on the screen, as the X server has the window.
QRect onScreen(const QWidget *widget, const QRect &local)
{
    const QWidget *top = widget->window();
    const QPoint origin = display()->clientGeometry(windowIdOf(top)).topLeft() + widget->mapTo(top, local.topLeft());
    return QRect(origin, local.size());
}

QRect onScreen(const QWidget *widget)
{
    return onScreen(widget, widget->rect());
}

QString text(const QRect &rect)
{
    return QString("%1x%2+%3+%4").arg(rect.width()).arg(rect.height()).arg(rect.x()).arg(rect.y());
}

// The window's layout has caught up with its size: nothing waits to be laid out.
void layOut()
{
    for (int pass = 0; pass < 4; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
}

bool isWithin(const QWidget *widget, const QWidget *ancestor)
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget == ancestor)
            return true;
    }
    return false;
}
} // namespace

class TestClassWindowFit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void chatAndTabsAtEverySize_data();
    void chatAndTabsAtEverySize();

private:
    // The window as the application shows it: framed, started, maximised.
    void openWindow(const QString &kind);
    void sizeWindow(const QString &size);
    void chatFromClassmate(int count);
    // What of the chat panel is drawn where it must not be; empty when all is well.
    QStringList chatFaults() const;
    // What covers or cuts the school window's tabs.
    QStringList tabFaults() const;
    // Panels of the right column laid over each other or beyond the window.
    QStringList columnFaults() const;

    TempWorkDir *m_work = nullptr;
    ClassroomLink *m_link = nullptr;
    TitleView *m_frame = nullptr;
    QWidget *m_view = nullptr;
    SchoolClassView *m_school = nullptr;
    TeacherClassView *m_teacher = nullptr;
};

void TestClassWindowFit::initTestCase()
{
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    SettingConfig::getSetting();
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    machine->inputs = { FakeDeviceCatalog::audio("USB Mic") };
    machine->cameras = { FakeDeviceCatalog::camera("USB Cam") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_link->users();
}

void TestClassWindowFit::cleanupTestCase()
{
    delete m_link;
    SoundControl::setFactory({});
    DeviceCatalog::setFactory(nullptr);
    delete m_work;
}

void TestClassWindowFit::init()
{
    ClassWindowTest::enterStudentLesson();
    g_uiScale = 1.0;
    m_link->clear();
}

void TestClassWindowFit::cleanup()
{
    delete m_frame;
    m_frame = nullptr;
    m_view = nullptr;
    m_school = nullptr;
    m_teacher = nullptr;
    QTest::qWait(50);
}

void TestClassWindowFit::openWindow(const QString &kind)
{
    if (kind == "rtmp") {
        g_classType = 6;
    } else if (kind == "meeting") {
        g_classType = 5;
        g_userType = 3;
    }
    if (kind == "meeting") {
        m_teacher = new TeacherClassView();
        m_view = m_teacher;
    } else {
        m_school = new SchoolClassView();
        m_view = m_school;
    }
    m_frame = new TitleView(m_view, "TaviStudent.exe", classWindowFlags);
    if (m_school) {
        m_school->initialLater();
        m_school->clientOnline();
    } else {
        m_teacher->initialLater();
        m_teacher->clientOnline();
    }
    m_view->show();
    m_frame->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame, settleMs));
    QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isMaximized(), settleMs);
}

void TestClassWindowFit::sizeWindow(const QString &size)
{
    if (size == "locked") {
        m_link->server().sendLine("11\t2\t1");
        QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_frame->isFullScreen(), settleMs);
    } else if (size != "maximised") {
        m_frame->showNormal();
        QTRY_VERIFY_WITH_TIMEOUT(!windowHasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->isMaximized(), settleMs);
        if (size == "smallest") {
            // A resize far below what the window takes, through the manager: it holds the window at its least.
            QVERIFY(display()->requestSize(windowIdOf(m_frame), QSize(200, 150)));
            QTRY_COMPARE_WITH_TIMEOUT(
                display()->clientGeometry(windowIdOf(m_frame)).size(), m_frame->minimumSize(), settleMs);
        } else if (size == "low") {
            // As wide as the screen, as low as it goes.
            const QRect available = m_frame->screen()->availableGeometry();
            m_frame->move(available.topLeft());
            QVERIFY(display()->requestSize(windowIdOf(m_frame), QSize(available.width(), 150)));
            QTRY_COMPARE_WITH_TIMEOUT(display()->clientGeometry(windowIdOf(m_frame)).size(),
                QSize(available.width(), m_frame->minimumHeight()), settleMs);
        }
    }
    // The application has laid the window out at the size the server gave it.
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->size(), display()->clientGeometry(windowIdOf(m_frame)).size(), settleMs);
    layOut();
}

void TestClassWindowFit::chatFromClassmate(int count)
{
    UserInfo classmate;
    classmate.setUserId("S2");
    classmate.setUserName("张小红");
    classmate.setUserType("1");
    g_userInfoHash.updateUserInfo(classmate);
    if (m_school)
        m_school->userChatWidget()->setCurrentIndex(1);
    ChatView *chat = m_school ? m_school->chatView() : m_teacher->chatView();
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < count; ++i) {
        ChatMessage message;
        message.setSenderId("S2");
        message.setSenderName("张小红");
        message.setContent(QStringLiteral("好的 %1").arg(i + 1));
        message.setSendTime(now);
        message.setReceiveTime(now);
        chat->addSchoolClassMessage(message);
    }
    chat->flushRows();
    layOut();
    chat->listWidget()->scrollToBottom();
    layOut();
}

QStringList TestClassWindowFit::chatFaults() const
{
    QStringList faults;
    ChatView *chat = m_school ? m_school->chatView() : m_teacher->chatView();
    QListWidget *list = chat->listWidget();
    const QRect viewport = onScreen(list->viewport());
    const QRect panel = onScreen(chat);
    // The row of tools under the list, across the panel.
    QRect tools;
    for (QPushButton *button : { chat->pictureButton(), chat->noTalkButton(), chat->clearButton() }) {
        if (button->isVisible())
            tools |= onScreen(button);
    }
    tools = QRect(panel.left(), tools.top(), panel.width(), tools.height());
    const QRect input = onScreen(chat->textEdit());
    const QRect send = onScreen(chat->sendButton());
    if (!panel.contains(viewport))
        faults << QString("list %1 beyond its panel %2").arg(text(viewport), text(panel));
    for (const auto &[name, rect] :
        { std::pair<QString, QRect>("tool row", tools), { "input", input }, { "send button", send } }) {
        if (viewport.intersects(rect))
            faults << QString("list %1 over the %2 %3").arg(text(viewport), name, text(rect));
    }
    const QWidget *page = m_school ? static_cast<QWidget *>(m_school->userChatWidget()) : m_teacher->rightWidget();
    if (!onScreen(page).contains(panel))
        faults << QString("chat panel %1 beyond %2").arg(text(panel), text(onScreen(page)));
    if (!onScreen(m_view).contains(onScreen(chat->sendButton())))
        faults << QString("send button %1 beyond the window %2").arg(text(send), text(onScreen(m_view)));

    int whole = 0;
    for (int i = 0; i < list->count(); ++i) {
        ChatItemWidget *row = chat->row(i);
        if (!row)
            continue;
        const QRect item = onScreen(list->viewport(), list->visualItemRect(list->item(i)));
        const QRect shown = item & viewport;
        if (shown.isEmpty())
            continue;
        if (row->height() > item.height())
            faults << QString("row %1 of %2 px in an item of %3").arg(i).arg(row->height()).arg(item.height());
        // What the row draws lies in the list's viewport, wherever the list stands.
        for (const QWidget *part : { static_cast<QWidget *>(row->headLabel()), static_cast<QWidget *>(row->nameBox()),
                 static_cast<QWidget *>(row->textBox()) }) {
            const QRect drawn = onScreen(part) & viewport;
            if (drawn.intersects(tools) || drawn.intersects(input))
                faults << QString("row %1 draws %2 over the input").arg(i).arg(text(drawn));
        }
        QTextDocument *document = row->textBox()->document();
        if (document->size().height() > row->textBox()->contentsRect().height() + 1)
            faults << QString("row %1: %2 px of text in %3")
                          .arg(i)
                          .arg(document->size().height())
                          .arg(row->textBox()->contentsRect().height());
        if (row->kind() != ChatItemWidget::TimeLine && viewport.contains(item))
            ++whole;
    }
    if (whole < wholeRowsNeeded)
        faults
            << QString("%1 whole rows in a list of %2 (viewport %3)").arg(whole).arg(list->count()).arg(text(viewport));
    return faults;
}

QStringList TestClassWindowFit::tabFaults() const
{
    QStringList faults;
    QTabWidget *tabs = m_school->userChatWidget();
    QTabBar *bar = tabs->tabBar();
    const QRect barRect = onScreen(bar);
    auto *media = dynamic_cast<QWidget *>(m_school->mediaView());
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = onScreen(bar, bar->tabRect(i));
        if (!barRect.contains(tab))
            faults << QString("tab %1 %2 cut by its bar %3").arg(i).arg(text(tab), text(barRect));
        if (!onScreen(m_view).contains(tab))
            faults << QString("tab %1 %2 beyond the window").arg(i).arg(text(tab));
        if (media && media->isVisible() && onScreen(media).intersects(tab))
            faults << QString("tab %1 %2 under the media panel %3").arg(i).arg(text(tab), text(onScreen(media)));
        // On top at its corners and its middle: what a click there reaches.
        const QRect inner = bar->tabRect(i).adjusted(2, 2, -2, -2);
        for (const QPoint &point : { inner.topLeft(), inner.topRight(), inner.center(), inner.bottomLeft() }) {
            const QPoint global = bar->mapToGlobal(point);
            QWidget *top = QApplication::widgetAt(global);
            if (!isWithin(top, bar))
                faults << QString("tab %1 at %2,%3 lies under %4")
                              .arg(i)
                              .arg(global.x())
                              .arg(global.y())
                              .arg(top ? top->metaObject()->className() : "nothing");
        }
    }
    return faults;
}

QStringList TestClassWindowFit::columnFaults() const
{
    QStringList faults;
    QWidget *right = m_school ? m_school->rightWidget() : m_teacher->rightWidget();
    const QRect window = onScreen(m_view);
    // The column's panels one below the other, each whole in the window.
    QList<QWidget *> panels;
    if (m_school) {
        if (auto *media = dynamic_cast<QWidget *>(m_school->mediaView()))
            panels << media;
        panels << m_school->userChatWidget() << m_school->toolView();
    } else {
        panels << m_teacher->userInfoView() << m_teacher->chatView() << m_teacher->toolView();
    }
    for (int i = 0; i < panels.size(); ++i) {
        const QRect rect = onScreen(panels.at(i));
        if (!window.contains(rect) || !onScreen(right).contains(rect))
            faults << QString("%1 %2 beyond the column %3 or the window %4")
                          .arg(
                              panels.at(i)->metaObject()->className(), text(rect), text(onScreen(right)), text(window));
        if (i > 0 && onScreen(panels.at(i - 1)).intersects(rect))
            faults << QString("%1 %2 under %3 %4")
                          .arg(panels.at(i)->metaObject()->className(), text(rect),
                              panels.at(i - 1)->metaObject()->className(), text(onScreen(panels.at(i - 1))));
    }
    // The meeting's panel in the courseware area keeps to the area.
    if (m_teacher) {
        if (auto *media = dynamic_cast<QWidget *>(m_teacher->mediaView())) {
            const QRect rect = onScreen(media);
            if (media->isVisible() && (!window.contains(rect) || rect.intersects(onScreen(right))))
                faults << QString("meeting panel %1 beyond its area (column %2, window %3)")
                              .arg(text(rect), text(onScreen(right)), text(window));
        }
    }
    return faults;
}

void TestClassWindowFit::chatAndTabsAtEverySize_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("size");
    QTest::addColumn<double>("uiScale");
    for (const char *kind : { "webrtc", "rtmp", "meeting" }) {
        for (const char *size : { "smallest", "low", "restored", "maximised", "locked" }) {
            // The meeting window has no lock.
            if (QByteArray(kind) == "meeting" && QByteArray(size) == "locked")
                continue;
            QTest::newRow(qPrintable(QString("%1, %2").arg(kind, size))) << kind << size << 1.0;
        }
    }
    // A screen of many dots to the inch: larger texts, rows and tabs.
    QTest::newRow("webrtc, smallest, scaled") << "webrtc"
                                              << "smallest" << 1.5;
    QTest::newRow("meeting, smallest, scaled") << "meeting"
                                               << "smallest" << 1.5;
}

void TestClassWindowFit::chatAndTabsAtEverySize()
{
    QFETCH(QString, kind);
    QFETCH(QString, size);
    QFETCH(double, uiScale);
    g_uiScale = uiScale;
    openWindow(kind);
    // However small the window may be made, the screen holds it.
    const QRect available = m_frame->screen()->availableGeometry();
    QVERIFY2(m_frame->minimumWidth() <= available.width() && m_frame->minimumHeight() <= available.height(),
        qPrintable(QString("a least size of %1x%2 on a desktop of %3x%4")
                       .arg(m_frame->minimumWidth())
                       .arg(m_frame->minimumHeight())
                       .arg(available.width())
                       .arg(available.height())));
    sizeWindow(size);
    if (QTest::currentTestFailed())
        return;
    chatFromClassmate(8);
    QStringList faults = chatFaults() + columnFaults();
    if (m_school)
        faults += tabFaults();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
}

VREK_XVFB_DESKTOP_TEST_MAIN(TestClassWindowFit)
#include "tst_classwindowfit.moc"
