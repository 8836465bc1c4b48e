#include "vrek/userinfo/userinfolistview.h"

#include "vrek/container/userinfohash.h"
#include "vrek/userinfo/userinfolistmodel.h"
#include "vrek/userinfo/userinfowidget.h"

#include <QDebug>
#include <QTimer>

UserInfoListView::UserInfoListView(QWidget *parent)
    : QListView(parent)
    , m_model(new UserInfoListModel())
    , m_sortTimer(new QTimer())
{
    m_sortTimer->setSingleShot(true);
    m_sortTimer->setInterval(sortDelayMs);
    connect(m_sortTimer, &QTimer::timeout, this, &UserInfoListView::sortUserInfo);
    setModel(m_model);
    setStyleSheet("QListView::item{height:60px;}");
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

UserInfoListView::~UserInfoListView()
{
    m_sortTimer->stop();
    delete m_sortTimer;
    // The view lets go of the model before the model goes.
    setModel(nullptr);
    delete m_model;
}

void UserInfoListView::setSortDelay(int ms)
{
    m_sortTimer->setInterval(ms);
}

bool UserInfoListView::isSortPending() const
{
    return m_sortTimer->isActive();
}

bool UserInfoListView::addUserInfo(const UserInfo &userInfo)
{
    startSortTimer();
    return m_model->appendRow(userInfo);
}

QList<UserInfo> UserInfoListView::addUserInfoList(const QList<UserInfo> &list)
{
    QList<UserInfo> appended;
    m_model->appendRows(list, &appended);
    startSortTimer();
    return appended;
}

bool UserInfoListView::removeUserInfo(const UserInfo &userInfo)
{
    return m_model->removeRow(userInfo);
}

void UserInfoListView::clearUserInfo()
{
    m_model->clear();
}

void UserInfoListView::startSortTimer()
{
    m_sortTimer->start();
}

void UserInfoListView::sortUserInfo()
{
    qDebug() << "sortUserInfo";
    m_model->sort();
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row)
        setIndexWidget(m_model->index(row, 0), nullptr);
    viewport()->update();
}

bool UserInfoListView::updateUserInfo(const UserInfo &userInfo)
{
    const int row = m_model->rowOf(userInfo.getUserId());
    if (row < 0) {
        qWarning() << "user not in list userId:" << userInfo.getUserId();
        return false;
    }
    if (auto *widget = qobject_cast<UserInfoWidget *>(indexWidget(m_model->index(row, 0))))
        widget->updateUserInfo(userInfo);
    return true;
}

QRect UserInfoListView::visualRect(const QModelIndex &index) const
{
    // Painting asks for the rectangle of every item it draws: the row is made then, and only then.
    if (index.isValid() && !indexWidget(index))
        const_cast<UserInfoListView *>(this)->createRowWidget(index);
    return QListView::visualRect(index);
}

void UserInfoListView::createRowWidget(const QModelIndex &index)
{
    const QString userId = m_model->data(index, Qt::UserRole).toString();
    UserInfo userInfo;
    if (userId.isEmpty() || !g_userInfoHash.containsUserInfo(userId)
        || !g_userInfoHash.selectUserInfo(userId, userInfo))
        return;
    auto *widget = new UserInfoWidget(userInfo);
    connect(widget, &UserInfoWidget::signalCameraButtonClicked, this, &UserInfoListView::signalCameraButtonClicked);
    connect(widget, &UserInfoWidget::signalPraiseButtonClicked, this, &UserInfoListView::signalPraiseButtonClicked);
    setIndexWidget(index, widget);
}
