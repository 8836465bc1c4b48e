#include "vrek/userinfo/userinfoview.h"

#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfolistmodel.h"
#include "vrek/userinfo/userinfolistview.h"
#include "vrek/userinfo/userinfowidget.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayoutItem>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
const char *const scrollBarStyle
    = "QScrollBar:vertical{width:8px;background:rgba(0,0,0,0%);padding-top:0px;padding-bottom:0px;}"
      "QScrollBar::handle:vertical{min-height:30px;background:rgba(0,0,0,20%);border-radius:4px;}"
      "QScrollBar::handle:vertical:hover{background:rgba(0,0,0,50%);}"
      "QScrollBar::handle:vertical:pressed{background:rgba(0,0,0,40%);}"
      "QScrollBar::add-line:vertical{background-color:transparent}"
      "QScrollBar::sub-line:vertical{background-color:transparent}";
const char *const praiseForwardType = "4";

bool isStudent(const UserInfo &userInfo)
{
    return userInfo.getUserType() == QLatin1String("1");
}

int studentsIn(const QList<UserInfo> &list)
{
    int count = 0;
    for (const UserInfo &userInfo : list)
        count += isStudent(userInfo) ? 1 : 0;
    return count;
}
} // namespace

UserInfoView::UserInfoView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
}

UserInfoView::~UserInfoView()
{
    // The rows after the first go with the panel; the shared teacher list is the manager's, emptied here as
    // the panel that showed it goes.
    const QList<UserInfoWidget *> rows = teacherRows();
    for (int i = 1; i < rows.size(); ++i)
        rows.at(i)->deleteLater();
    g_teacherList.clear();
}

void UserInfoView::buildForm()
{
    setObjectName("UserInfoView");
    setWindowTitle("Form");
    resize(200, 400);
    m_userInfoViewLayout = new QVBoxLayout(this);
    m_userInfoViewLayout->setObjectName("userInfoViewLayout");
    m_userInfoViewLayout->setSpacing(0);
    m_userInfoViewLayout->setContentsMargins(0, 0, 0, 0);

    auto *header = new QWidget(this);
    header->setObjectName("qLabel");
    header->setStyleSheet("background-color: rgb(248, 248, 248);");
    auto *groupLayout = new QHBoxLayout(header);
    groupLayout->setObjectName("groupLayout");
    groupLayout->setSpacing(0);
    const QMargins margins = groupLayout->contentsMargins();
    groupLayout->setContentsMargins(margins.left(), 1, margins.right(), margins.bottom());
    m_groupNameLabel = new QLabel(header);
    m_groupNameLabel->setTextFormat(Qt::PlainText);
    // A title of any length never widens the class window: the label clips it.
    m_groupNameLabel->setMinimumWidth(1);
    m_groupNameLabel->setObjectName("groupNameLabel");
    m_groupCountLabel = new QLabel(header);
    m_groupCountLabel->setObjectName("groupCountLabel");
    m_groupCountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    groupLayout->addWidget(m_groupNameLabel);
    groupLayout->addWidget(m_groupCountLabel);
    m_userInfoViewLayout->addWidget(header);

    auto *verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName("verticalLayout");
    verticalLayout->setSpacing(0);
    const QMargins listMargins = verticalLayout->contentsMargins();
    verticalLayout->setContentsMargins(listMargins.left(), 0, listMargins.right(), listMargins.bottom());
    m_teacherWidget = new QWidget(this);
    m_teacherWidget->setObjectName("qwidget");
    m_userInfoLayout = new QVBoxLayout(m_teacherWidget);
    m_userInfoLayout->setObjectName("userInfoLayout");
    m_userInfoLayout->setSpacing(15);
    m_userInfoLayout->setContentsMargins(0, 6, 0, 6);
    m_listView = new UserInfoListView(this);
    m_listView->setObjectName("listView");
    m_listView->setFrameShape(QFrame::NoFrame);
    verticalLayout->addWidget(m_teacherWidget);
    verticalLayout->addWidget(m_listView);
    m_userInfoViewLayout->addLayout(verticalLayout);
}

void UserInfoView::initial()
{
    m_onlineStudentCount = 0;
    m_onlineCount = 0;
    for (QLabel *label : { m_groupNameLabel, m_groupCountLabel }) {
        label->setFixedHeight(30);
        label->setMargin(5);
        label->setStyleSheet("QLabel{font-family:微软雅黑;}");
    }
    m_groupNameLabel->setText(StringUtil::clippedText(g_classTitle));
    m_listView->verticalScrollBar()->setStyleSheet(scrollBarStyle);
    connect(m_listView, &UserInfoListView::signalCameraButtonClicked, this, &UserInfoView::slotCameraButtonClicked);
    connect(m_listView, &UserInfoListView::signalPraiseButtonClicked, this, &UserInfoView::slotPraiseButtonClicked);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    setPalette(palette);
    updateOnlineCount();
}

QList<UserInfoWidget *> UserInfoView::teacherRows() const
{
    QList<UserInfoWidget *> rows;
    for (int i = 0; i < m_userInfoLayout->count(); ++i) {
        if (auto *row = qobject_cast<UserInfoWidget *>(m_userInfoLayout->itemAt(i)->widget()))
            rows.append(row);
    }
    return rows;
}

void UserInfoView::updateOnlineCount()
{
    if (g_classType != 5)
        m_groupCountLabel->setText(QStringLiteral("在线学生:%1").arg(m_onlineStudentCount));
    else
        m_groupCountLabel->setText(QStringLiteral("在线人数:%1").arg(m_onlineCount));
}

// The counters follow the rows actually listed, so a repeated join or a leave of someone never listed leaves
// them as they are, and neither drops below 0.
void UserInfoView::countOnline(const QList<UserInfo> &changed, int sign)
{
    m_onlineStudentCount = qMax(0, m_onlineStudentCount + sign * studentsIn(changed));
    m_onlineCount = qMax(0, m_onlineCount + sign * changed.size());
    updateOnlineCount();
}

void UserInfoView::slotAddUserInfo(UserInfo userInfo)
{
    if (!m_listView->addUserInfo(userInfo))
        return;
    if (userInfo.getExtraState() > 0)
        m_listView->updateUserInfo(userInfo);
    countOnline({ userInfo }, 1);
}

void UserInfoView::slotAddUserInfoList(QList<UserInfo> list)
{
    countOnline(m_listView->addUserInfoList(list), 1);
}

void UserInfoView::slotAddTeacherInfoList(QList<UserInfo> list)
{
    while (QLayoutItem *item = m_userInfoLayout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const UserInfo &userInfo : qAsConst(list))
        m_userInfoLayout->addWidget(new UserInfoWidget(userInfo));
}

bool UserInfoView::removeTeacherRow(const QString &userId, int first)
{
    for (int i = first; i < m_userInfoLayout->count(); ++i) {
        auto *row = qobject_cast<UserInfoWidget *>(m_userInfoLayout->itemAt(i)->widget());
        if (!row || row->userId() != userId)
            continue;
        m_userInfoLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
        return true;
    }
    return false;
}

void UserInfoView::slotRemoveUserInfo(UserInfo userInfo)
{
    // Whoever is in the student list leaves it, whatever the type; everyone else leaves the teacher area.
    if (m_listView->userInfoListModel()->rowOf(userInfo.getUserId()) >= 0) {
        if (m_listView->removeUserInfo(userInfo))
            countOnline({ userInfo }, -1);
    } else {
        g_teacherList.removeAll(userInfo);
        // A student's leave never takes the first row, the lecturer's own.
        removeTeacherRow(userInfo.getUserId(), isStudent(userInfo) ? 1 : 0);
    }
    // An empty account is nobody's: without it every leave would look like the watched student's.
    if (!g_accountId.isEmpty() && userInfo.getAccountId() == g_accountId)
        emit signalRelativeUserOffline();
}

void UserInfoView::slotRelativeInfoUpdate(UserInfo userInfo)
{
    Q_UNUSED(userInfo)
    m_listView->startSortTimer();
}

template<typename Change>
bool UserInfoView::changeUserInfo(const QString &userId, Change change)
{
    UserInfo userInfo;
    if (!g_userInfoHash.selectUserInfo(userId, userInfo))
        return false;
    change(userInfo);
    g_userInfoHash.updateUserInfo(userInfo);
    m_listView->updateUserInfo(userInfo);
    return true;
}

void UserInfoView::slotCameraButtonEnable(QString userId, bool enable)
{
    changeUserInfo(userId, [&](UserInfo &userInfo) {
        if (enable) {
            userInfo.setCameraState(3);
            return;
        }
        userInfo.setCameraState(0);
        userInfo.setCameraOn(false);
        emit signalSendAVClose(userId);
    });
}

void UserInfoView::slotCameraButtonChanged(QString userId, bool on)
{
    changeUserInfo(userId, [on](UserInfo &userInfo) { userInfo.setCameraOn(on); });
}

void UserInfoView::slotHandUpButtonChanged(QString userId, bool up)
{
    changeUserInfo(userId, [up](UserInfo &userInfo) { userInfo.setHandUp(up); });
}

void UserInfoView::slotPraiseButtonChanged(QString userId, int count)
{
    changeUserInfo(userId, [count](UserInfo &userInfo) { userInfo.setExtraState(count); });
}

void UserInfoView::slotResetUserInfoView()
{
    m_onlineStudentCount = 0;
    m_onlineCount = 0;
    m_listView->clearUserInfo();
    updateOnlineCount();
}

void UserInfoView::slotResetHandUpButton()
{
    for (const QString &userId : g_userInfoHash.selectAllUserId())
        changeUserInfo(userId, [](UserInfo &userInfo) { userInfo.setHandUp(false); });
}

void UserInfoView::slotResetCameraButton()
{
    for (const QString &userId : g_userInfoHash.selectAllUserId())
        changeUserInfo(userId, [](UserInfo &userInfo) { userInfo.setCameraOn(false); });
}

void UserInfoView::slotResetPraiseButton()
{
    for (const QString &userId : g_userInfoHash.selectAllUserId())
        changeUserInfo(userId, [](UserInfo &userInfo) { userInfo.setExtraState(0); });
}

void UserInfoView::slotCameraButtonClicked(QString userId)
{
    qInfo() << "userId:" << userId;
    UserInfo userInfo;
    if (!g_userInfoHash.selectUserInfo(userId, userInfo))
        return;
    if (userInfo.getCameraState() == 0) {
        qInfo() << "CameraType is None!";
        return;
    }
    emit signalSendAVRequest(userId);
}

void UserInfoView::slotPraiseButtonClicked(QString userId)
{
    qInfo() << "userId:" << userId;
    UserInfo userInfo;
    if (!g_userInfoHash.selectUserInfo(userId, userInfo))
        return;
    const int count = userInfo.getExtraState() + 1;
    userInfo.setExtraState(count);
    g_userInfoHash.updateUserInfo(userInfo);
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardSchoolClass(
            praiseForwardType, QStringLiteral("%1@%2@%3").arg(userId).arg(count).arg(1));
    m_listView->updateUserInfo(userInfo);
}
