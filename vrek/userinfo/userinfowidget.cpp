#include "vrek/userinfo/userinfowidget.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>

namespace {
const char *const markerStyle = "border-image:url(%1);background-color:transparent;";
// An empty border image paints the button black: a lowered hand shows nothing at all instead.
const char *const noMarkerStyle = "border:none;background-color:transparent;";
const char *const praiseStyle
    = "QPushButton{border-image:url(%1);background-color:transparent;}QPushButton::hover{border-image:url(%2);}";
constexpr int buttonSide = 20;
constexpr int nameFontPixels = 12;

// Sizes grow with the interface scale only above 1.2.
int scaled(int base)
{
    return g_uiScale > 1.2 ? int(g_uiScale * double(base)) : base;
}
} // namespace

UserInfoWidget::UserInfoWidget(const UserInfo &userInfo, QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
    initUserInfo(userInfo);
    updateUserInfo(userInfo);
}

UserInfoWidget::~UserInfoWidget() = default;

void UserInfoWidget::buildForm()
{
    setObjectName("UserInfoWidget");
    setWindowTitle("Form");
    resize(500, 100);
    m_layout = new QHBoxLayout(this);
    m_layout->setObjectName("userInfoWidgetLayout");
    m_layout->setSpacing(10);
    m_layout->setContentsMargins(15, 0, 15, 0);
    m_userImgLabel = new QLabel(this);
    m_userImgLabel->setObjectName("userImgLabel");
    m_userNameLabel = new QLabel(this);
    m_userNameLabel->setTextFormat(Qt::PlainText);
    m_userNameLabel->setObjectName("userNameLabel");
    m_handUpButton = new QPushButton(this);
    m_handUpButton->setObjectName("handUpButton");
    m_cameraButton = new QPushButton(this);
    m_cameraButton->setObjectName("cameraButton");
    m_praiseButton = new QPushButton(this);
    m_praiseButton->setObjectName("praiseButton");
    m_layout->addWidget(m_userImgLabel);
    m_layout->addWidget(m_userNameLabel);
    m_layout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_layout->addWidget(m_handUpButton);
    m_layout->addWidget(m_cameraButton);
    m_layout->addWidget(m_praiseButton);
}

void UserInfoWidget::initial()
{
    m_userImgLabel->setFixedSize(40, 40);
    const int side = scaled(buttonSide);
    for (QPushButton *button : { m_handUpButton, m_cameraButton, m_praiseButton })
        button->setFixedSize(side, side);
    m_praiseButton->setStyleSheet(
        QString::fromLatin1(praiseStyle).arg(UserInfo::praiseIcon01(), UserInfo::praiseIcon02()));
    // The count shows in red over the picture.
    QPalette palette = m_praiseButton->palette();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        palette.setColor(group, QPalette::ButtonText, QColor(255, 0, 0));
    m_praiseButton->setPalette(palette);
    connect(m_cameraButton, &QPushButton::clicked, this, &UserInfoWidget::slotCameraButtonClicked);
    connect(m_praiseButton, &QPushButton::clicked, this, &UserInfoWidget::slotPraiseButtonClicked);
}

void UserInfoWidget::initUserInfo(const UserInfo &userInfo)
{
    m_userId = userInfo.getUserId();
    const QPixmap head = QPixmap::fromImage(userInfo.getHeadPixmap());
    if (!head.isNull())
        m_userImgLabel->setPixmap(head.scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_userNameLabel->setStyleSheet("QLabel{color:black;}");
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(scaled(nameFontPixels));
    m_userNameLabel->setFont(font);
    QString name = userInfo.getUserName();
    if (m_userId == g_userId)
        name = QStringLiteral("%1 (我)").arg(name);
    m_userNameLabel->setText(StringUtil::clippedText(name));
    m_userNameLabel->setToolTip(StringUtil::plainToolTip(name));
}

void UserInfoWidget::updateUserInfo(const UserInfo &userInfo)
{
    const QString style = QString::fromLatin1(markerStyle);
    m_handUpButton->setStyleSheet(
        userInfo.getHandUp() ? style.arg(UserInfo::handUpIcon()) : QString::fromLatin1(noMarkerStyle));

    const bool cameraAvailable = userInfo.getCameraState() == 3;
    QString camera = UserInfo::cameraIcon02();
    if (cameraAvailable)
        camera = userInfo.getCameraOn() ? UserInfo::cameraIcon04() : UserInfo::cameraIcon03();
    m_cameraButton->setStyleSheet(style.arg(camera));
    m_cameraButton->setEnabled(cameraAvailable);

    const int praiseCount = userInfo.getExtraState();
    m_praiseButton->setText(praiseCount != 0 ? QString::number(praiseCount) : QString());

    if (g_userId == g_lectId) {
        m_praiseButton->setEnabled(true);
        const bool own = m_userId == g_userId;
        for (QPushButton *button : { m_handUpButton, m_cameraButton, m_praiseButton })
            button->setVisible(!own);
    } else if (userInfo.getUserType() == QLatin1String("5")) {
        for (QPushButton *button : { m_handUpButton, m_cameraButton, m_praiseButton })
            button->hide();
    } else {
        m_praiseButton->setEnabled(false);
        m_cameraButton->hide();
        const bool lecturerRow = m_userId == g_lectId;
        m_handUpButton->setVisible(!lecturerRow);
        m_praiseButton->setVisible(!lecturerRow);
    }

    if (g_classType == 6 || g_classType == 7)
        m_cameraButton->hide();
    else if (g_classType == 5)
        m_praiseButton->hide();
}

void UserInfoWidget::slotCameraButtonClicked()
{
    emit signalCameraButtonClicked(m_userId);
}

void UserInfoWidget::slotPraiseButtonClicked()
{
    emit signalPraiseButtonClicked(m_userId);
}
