#include "vrek/mainmenu/menuview.h"

#include "vrek/message/ctrlmessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/menubutton.h"

#include <QDebug>
#include <QIcon>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
// The icon paths as the bar has always named them, most without a slash after the colon.
const char *const videoIcon = ":/vrek/image/menuview/video01.png";
const char *const courseIcon = ":vrek/image/menuview/course01.png";
const char *const painterIcon = ":vrek/image/menuview/painter01.png";
const char *const answerIcon = ":vrek/image/menuview/answer01.png";
const char *const handUpIcon = ":vrek/image/menuview/handup01.png";
const char *const handForbiddenIcon = ":vrek/image/menuview/handup02.png";
const char *const rollCallIcon = ":vrek/image/menuview/rollcall01.png";
const char *const startIcon = ":vrek/image/menuview/start01.png";
const char *const runningIcon = ":vrek/image/menuview/start02.png";

// Forward kinds: "3" hand-up, "0" a classroom text.
const char *const handForwardType = "3";
const char *const textForwardType = "0";
// Hand-up data: the lecturer allows ("2") or forbids ("3") raising hands.
const char *const handsAllowed = "2";
const char *const handsForbidden = "3";
const char *const enableProperty = "enable";
// The control message kind of a page change.
constexpr quint32 pageCtrlType = 2;
} // namespace

MenuView::MenuView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
}

MenuView::~MenuView() = default;

void MenuView::buildForm()
{
    setObjectName("MenuView");
    setWindowTitle("Form");
    resize(200, 600);
    auto *menuLayout = new QVBoxLayout(this);
    menuLayout->setObjectName("menuLayout");
    menuLayout->setSpacing(10);
    m_pageLayout = new QVBoxLayout();
    m_pageLayout->setObjectName("pageLayout");
    m_pageLayout->setSpacing(10);
    auto button = [this](const char *name) {
        auto *made = new MenuButton(this);
        made->setObjectName(name);
        return made;
    };
    m_videoButton = button("videoButton");
    m_courseButton = button("courseButton");
    m_painterButton = button("painterButton");
    for (MenuButton *page : { m_videoButton, m_courseButton, m_painterButton }) {
        page->setCheckable(true);
        page->setAutoExclusive(true);
        m_pageLayout->addWidget(page);
    }
    menuLayout->addLayout(m_pageLayout);
    m_answerButton = button("answerButton");
    m_handControlButton = button("handControlButton");
    m_handupButton = button("handupButton");
    m_rollcallButton = button("rollcallButton");
    m_startButton = button("startButton");
    for (MenuButton *other : { m_answerButton, m_handControlButton, m_handupButton, m_rollcallButton })
        menuLayout->addWidget(other);
    menuLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    menuLayout->addWidget(m_startButton);
}

void MenuView::initial()
{
    const struct
    {
        MenuButton *button;
        const char *text;
        const char *icon;
    } looks[] = {
        { m_videoButton, "视频", videoIcon },
        { m_courseButton, "课件", courseIcon },
        { m_painterButton, "白板", painterIcon },
        { m_answerButton, "答题", answerIcon },
        { m_handControlButton, "举手", handUpIcon },
        { m_handupButton, "举手", handUpIcon },
        { m_rollcallButton, "点名", rollCallIcon },
        { m_startButton, "开始会议", startIcon },
    };
    for (const auto &look : looks) {
        look.button->setButtonText(QString::fromUtf8(look.text));
        look.button->setIcon(QIcon(QString::fromLatin1(look.icon)));
    }
    setFixedWidth(barWidth);

    m_handControlButton->setProperty(enableProperty, "1");
    for (MenuButton *page : { m_videoButton, m_courseButton, m_painterButton })
        connect(page, &QAbstractButton::toggled, this, &MenuView::slotButtonToggled);
    for (MenuButton *clicked : { m_answerButton, m_handControlButton, m_rollcallButton, m_startButton })
        connect(clicked, &QAbstractButton::clicked, this, &MenuView::slotButtonClicked);
    connect(m_handupButton, &QAbstractButton::pressed, this, &MenuView::slotButtonPressed);
    connect(m_handupButton, &QAbstractButton::released, this, &MenuView::slotButtonReleased);
    if (g_socketClientManager) {
        connect(g_socketClientManager, &SocketClientManager::signalHandUpLock, this, &MenuView::slotSetHandUpLock);
        connect(g_socketClientManager, &SocketClientManager::signalEndClass, this, &MenuView::slotEndClass);
    }
    setVisibility();
}

void MenuView::setVisibility()
{
    const bool lect = GlobalFunc::isCurrentUserLect();
    QList<MenuButton *> shown;
    if (g_classType == 5) {
        shown = { m_videoButton, m_courseButton, m_painterButton };
        if (lect)
            shown << m_startButton;
    } else if (lect) {
        shown = { m_courseButton, m_painterButton, m_answerButton, m_handControlButton, m_rollcallButton };
    } else {
        shown = { m_courseButton, m_painterButton, m_handupButton };
    }
    for (MenuButton *button : { m_videoButton, m_courseButton, m_painterButton, m_answerButton, m_handControlButton,
             m_handupButton, m_rollcallButton, m_startButton })
        button->setVisible(shown.contains(button));
}

QString MenuView::pageMessage() const
{
    CtrlMessage message;
    message.setCtType(pageCtrlType);
    message.setUiCtrlType(quint32(m_pageType));
    message.setPersonId(g_userId);
    QString text;
    if (!TSProtocolAnalysis::sendCtrlMessage(message, text))
        return QString();
    return text;
}

void MenuView::sendHandForward(const QString &data)
{
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardSchoolClass(handForwardType, data);
}

void MenuView::sendHandForwardPersonal(const QString &userId, const QString &data)
{
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardPersonal(userId, handForwardType, data);
}

void MenuView::slotButtonToggled(bool on)
{
    if (!on)
        return;
    QObject *button = sender();
    qInfo() << "sender:" << button;
    int page = -1;
    if (button == m_videoButton) {
        m_pageType = PageVideo;
        page = 2;
    } else if (button == m_courseButton) {
        m_pageType = PageCourse;
        page = 0;
    } else if (button == m_painterButton) {
        m_pageType = PagePainter;
        page = 1;
    }
    if (page >= 0)
        emit signalCenterPageChange(page);
    if (!GlobalFunc::isCurrentUserLect())
        return;
    const QString text = pageMessage();
    if (!text.isEmpty() && g_socketClientManager)
        g_socketClientManager->sendServerForwardSchoolClass(textForwardType, text);
}

void MenuView::slotButtonClicked()
{
    QObject *button = sender();
    qInfo() << "sender:" << button;
    if (button == m_answerButton) {
        emit signalAnswerButtonClicked();
    } else if (button == m_handControlButton) {
        const QString enable = m_handControlButton->property(enableProperty).toString();
        if (enable == QLatin1String("1")) {
            m_handControlButton->setProperty(enableProperty, "0");
            m_handControlButton->setIcon(QIcon(QString::fromLatin1(handForbiddenIcon)));
            m_handControlButton->setButtonText(QStringLiteral("禁止举手"));
            sendHandForward(handsForbidden);
            emit signalHandDisable();
        } else if (enable == QLatin1String("0")) {
            m_handControlButton->setProperty(enableProperty, "1");
            m_handControlButton->setIcon(QIcon(QString::fromLatin1(handUpIcon)));
            m_handControlButton->setButtonText(QStringLiteral("举手"));
            sendHandForward(handsAllowed);
        } else {
            qWarning() << "unknow handControl property" << enable;
        }
    } else if (button == m_rollcallButton) {
        emit signalRollCallButtonClicked();
    } else if (button == m_startButton) {
        emit signalStartOrStopClass();
    }
}

void MenuView::slotButtonPressed()
{
    qInfo() << "sender:" << sender();
    if (sender() != m_handupButton)
        return;
    emit signalHandButtonChanged(g_userId, true);
    sendHandForward(g_userId + QStringLiteral("@1"));
}

void MenuView::slotButtonReleased()
{
    qInfo() << "sender:" << sender();
    if (sender() != m_handupButton)
        return;
    emit signalHandButtonChanged(g_userId, false);
    sendHandForward(g_userId + QStringLiteral("@0"));
}

void MenuView::slotSetHandUpLock(bool locked)
{
    if (locked) {
        m_handupButton->setButtonText(QStringLiteral("禁止举手"));
        m_handupButton->setIcon(QIcon(QString::fromLatin1(handForbiddenIcon)));
        m_handupButton->setEnabled(false);
        emit signalHandDisable();
    } else {
        m_handupButton->setButtonText(QStringLiteral("举手"));
        m_handupButton->setIcon(QIcon(QString::fromLatin1(handUpIcon)));
        m_handupButton->setEnabled(true);
    }
}

void MenuView::slotChangeUIType(int type)
{
    switch (type) {
    case PageCourse:
        m_courseButton->setChecked(true);
        break;
    case PagePainter:
        m_painterButton->setChecked(true);
        break;
    case PageVideo:
        m_videoButton->setChecked(true);
        break;
    default:
        break;
    }
}

void MenuView::slotClassesBeginOrEndIn(bool first, bool enabled, QString text)
{
    Q_UNUSED(text)
    if (first) {
        m_startButton->setButtonText(QStringLiteral("开始会议"));
        m_startButton->setIcon(QIcon(QString::fromLatin1(startIcon)));
    } else {
        m_startButton->setButtonText(QStringLiteral("结束会议"));
        m_startButton->setIcon(QIcon(QString::fromLatin1(runningIcon)));
    }
    m_startButton->setEnabled(enabled);
}

void MenuView::checkStartPage()
{
    if (g_classType == 5)
        m_videoButton->setChecked(true);
    else
        m_courseButton->setChecked(true);
}

void MenuView::slotEndClass()
{
    checkStartPage();
}

void MenuView::restoreState()
{
    checkStartPage();
    if (g_classType == 5 || !GlobalFunc::isCurrentUserLect())
        return;
    const QString enable = m_handControlButton->property(enableProperty).toString();
    if (enable == QLatin1String("1"))
        sendHandForward(handsAllowed);
    else if (enable == QLatin1String("0"))
        sendHandForward(handsForbidden);
}

void MenuView::sendLateState(QString userId)
{
    const QString enable = m_handControlButton->property(enableProperty).toString();
    if (enable == QLatin1String("1"))
        sendHandForwardPersonal(userId, handsAllowed);
    else if (enable == QLatin1String("0"))
        sendHandForwardPersonal(userId, handsForbidden);
    const QString text = pageMessage();
    if (!text.isEmpty() && g_socketClientManager)
        g_socketClientManager->sendServerForwardPersonal(userId, textForwardType, text);
}

void MenuView::setPageButtonsEnabled(bool enabled)
{
    for (int i = 0; i < m_pageLayout->count(); ++i) {
        if (QWidget *widget = m_pageLayout->itemAt(i)->widget())
            widget->setEnabled(enabled);
    }
}

void MenuView::slotLectOnline(UserInfo userInfo)
{
    Q_UNUSED(userInfo)
    // The lecturer drives the pages while present.
    if (!GlobalFunc::isCurrentUserLect())
        setPageButtonsEnabled(false);
}

void MenuView::slotLectOffline(UserInfo userInfo)
{
    Q_UNUSED(userInfo)
    if (GlobalFunc::isCurrentUserLect())
        return;
    setPageButtonsEnabled(true);
    checkStartPage();
}

void MenuView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(235, 239, 248), 1));
    painter.setBrush(QColor(235, 239, 248));
    painter.drawRect(0, 0, width() - 1, height() - 1);
    painter.end();
    QWidget::paintEvent(event);
}
