#include "vrek/class/classmanagerview.h"

#include "vrek/class/devicesetview.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/class/selectclassview.h"
#include "vrek/class/videobackview.h"
#include "vrek/userinfo/bindtipview.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/reloginview.h"

#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QVBoxLayout>

ClassManagerView::ClassManagerView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    m_selectClassView = new SelectClassView(this);
    m_pageLayouts[ClassPage]->addWidget(m_selectClassView);
    m_deviceSetView = new DeviceSetView(this);
    m_pageLayouts[DevicePage]->addWidget(m_deviceSetView);
    m_videobackView = new VideobackView(this);
    m_pageLayouts[PlayPage]->addWidget(m_videobackView);
    m_bindTipView = new BindTipView(this);
    m_pageLayouts[PersonPage]->addWidget(m_bindTipView);
    m_homeworkWidget = new HomeworkWidget(this);
    m_pageLayouts[HomeworkPage]->addWidget(m_homeworkWidget);

    for (QPushButton *button : { m_classButton, m_playButton, m_homeworkButton, m_personButton, m_deviceButton })
        connect(button, &QPushButton::toggled, this, &ClassManagerView::slotTabButtonClicked);
    setStyleSheet("font-family:微软雅黑;");
    setMinimumSize(1100, 600);

    connect(m_selectClassView, &SelectClassView::signalRequestJoinClassesOut, this,
        &ClassManagerView::signalRequestJoinClassesOut);
    connect(m_selectClassView, &SelectClassView::signalSocketConnect, this, &ClassManagerView::signalSocketConnect);
    connect(
        this, &ClassManagerView::signalSocketConnectSuccess, m_selectClassView, &SelectClassView::slotSocketConnect);
    connect(
        this, &ClassManagerView::signalSocketConnectFalse, m_selectClassView, &SelectClassView::slotSocketConnectFalse);
    // An expired session found by a course page starts the run's one relogin.
    const auto reLogin = [] {
        if (g_reLoginView)
            g_reLoginView->slotLoginStartIn();
    };
    connect(m_selectClassView, &SelectClassView::signalReLoginOut, this, reLogin);
    connect(m_videobackView, &VideobackView::signalReLoginOut, this, reLogin);
    connect(m_bindTipView, &BindTipView::signalReLoginOut, this, reLogin);

    connect(m_deviceSetView, &DeviceSetView::signalTestFinish, this, &ClassManagerView::slotDeviceTestFinish);
}

ClassManagerView::~ClassManagerView()
{
    qInfo() << "";
}

void ClassManagerView::buildForm()
{
    resize(800, 600);
    auto *classManagerLayout = new QHBoxLayout(this);
    classManagerLayout->setObjectName("classManagerLayout");
    classManagerLayout->setSpacing(0);
    classManagerLayout->setContentsMargins(0, 0, 0, 0);

    m_leftWidget = new QWidget(this);
    m_leftWidget->setObjectName("leftWidget");
    m_leftWidget->setFixedWidth(180);
    m_leftWidget->setAttribute(Qt::WA_StyledBackground);
    m_leftWidget->setStyleSheet("QPushButton{\n    font:14px;}\nQWidget#leftWidget{\n    background-color:#ebeff8;\n"
                                "    border-right:2px solid #dfe4e9;}");
    auto *leftLayout = new QVBoxLayout(m_leftWidget);
    leftLayout->setObjectName("leftLayout");
    leftLayout->setSpacing(10);
    leftLayout->setContentsMargins(0, 25, 0, 0);
    m_classButton = tabButton("classButton", "直播课程", ":/vrek/image/classmanagerview/kc_01.png",
        ":/vrek/image/classmanagerview/kc_02.png");
    m_playButton = tabButton(
        "playButton", "课程回看", ":/vrek/image/classmanagerview/hk_01.png", ":/vrek/image/classmanagerview/hk_02.png");
    m_homeworkButton = tabButton(
        "homeworkButton", "我的作业", ":/vrek/image/homework/homework.png", ":/vrek/image/homework/homeworkClick.png");
    m_personButton = tabButton(
        "personButton", "个人中心", ":/vrek/image/person/person.png", ":/vrek/image/person/personclick.png");
    m_deviceButton = tabButton("deviceButton", "设备检测", ":/vrek/image/classmanagerview/sb_01.png",
        ":/vrek/image/classmanagerview/sb_02.png");
    leftLayout->addWidget(m_classButton);
    leftLayout->addWidget(m_playButton);
    leftLayout->addWidget(m_homeworkButton);
    leftLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    leftLayout->addWidget(m_personButton);
    leftLayout->addWidget(m_deviceButton);
    m_classButton->setChecked(true);

    m_stackedWidget = new QStackedWidget(this);
    m_stackedWidget->setObjectName("stackedWidget");
    m_stackedWidget->setStyleSheet("QWidget{\nbackground-color:#f8f8fd;}");
    const char *const pages[] = { "classPage", "devicePage", "playPage", "personPage", "homeworkPage" };
    const char *const layouts[] = { "classLayout", "deviceLayout", "playLayout", "personLayout", "homeworkLayout" };
    for (int i = 0; i < 5; ++i) {
        auto *page = new QWidget(m_stackedWidget);
        page->setObjectName(pages[i]);
        m_pageLayouts[i] = new QVBoxLayout(page);
        m_pageLayouts[i]->setObjectName(layouts[i]);
        m_pageLayouts[i]->setSpacing(0);
        m_pageLayouts[i]->setContentsMargins(0, 0, 0, 0);
        m_stackedWidget->addWidget(page);
    }
    m_stackedWidget->setCurrentIndex(ClassPage);

    classManagerLayout->addWidget(m_leftWidget);
    classManagerLayout->addWidget(m_stackedWidget);
}

QPushButton *ClassManagerView::tabButton(
    const char *name, const QString &text, const QString &normal, const QString &checked)
{
    auto *button = new QPushButton(m_leftWidget);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setFixedHeight(40);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(
        QString("QPushButton{border-image:url(%1);}QPushButton:checked{border-image:url(%2);}").arg(normal, checked));
    return button;
}

void ClassManagerView::initial()
{
    const bool deviceChecked = SettingConfig::getSetting().getValue("DeviceSet/initial") == "1";
    qInfo() << "DeviceSet/initial done:" << deviceChecked;
    // A first run is held on the device check until the student finishes it.
    if (!deviceChecked) {
        m_deviceButton->setChecked(true);
        m_leftWidget->setEnabled(false);
    }
}

void ClassManagerView::slotDeviceTestFinish()
{
    m_leftWidget->setEnabled(true);
    m_classButton->setChecked(true);
}

void ClassManagerView::setSocketConnectFalse()
{
    setEnabled(false);
    m_selectClassView->slotSocketConnectFalse();
}

void ClassManagerView::refreshAndEnable()
{
    m_selectClassView->refreshCurrentTab();
    setEnabled(true);
}

void ClassManagerView::resetToCourseList()
{
    m_selectClassView->refreshCurrentTab();
    m_classButton->setChecked(true);
    m_stackedWidget->setCurrentIndex(ClassPage);
    setEnabled(true);
}

void ClassManagerView::slotTabButtonClicked(bool on)
{
    if (!on)
        return;
    QObject *button = sender();
    if (button == m_classButton) {
        m_selectClassView->refreshCurrentTab();
        m_stackedWidget->setCurrentIndex(ClassPage);
    } else if (button == m_deviceButton) {
        m_stackedWidget->setCurrentIndex(DevicePage);
    } else if (button == m_playButton) {
        m_videobackView->refreshCurrentTab();
        m_stackedWidget->setCurrentIndex(PlayPage);
    } else if (button == m_personButton) {
        m_bindTipView->updatePersonalInfo();
        m_stackedWidget->setCurrentIndex(PersonPage);
    } else if (button == m_homeworkButton) {
        m_stackedWidget->setCurrentIndex(HomeworkPage);
    }
}

void ClassManagerView::showEvent(QShowEvent *event)
{
    // The recordings upload while the course list is up (the player hides it only).
    m_videobackView->setRecordUpload(true);
    QWidget::showEvent(event);
}

void ClassManagerView::closeEvent(QCloseEvent *event)
{
    emit signalCloseEventOut();
    m_videobackView->setRecordUpload(false);
    QWidget::closeEvent(event);
}
