#include "vrek/viewui/logoutview.h"

#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

LogoutView::LogoutView(unsigned kind, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
{
    qInfo() << "LogoutView::LogoutView parent:" << parent;
    buildForm();
    // Large interface scales keep the buttons small.
    if (g_uiScale > 1.3) {
        const QSize size(int(140 / g_uiScale), int(45 / g_uiScale));
        m_exitButton->setFixedSize(size);
        m_closeButton->setFixedSize(size);
    }
    m_imageLabel->setFixedSize(40, 40);
    connect(m_closeButton, &QPushButton::clicked, this, &LogoutView::signalClose);
    connect(m_exitButton, &QPushButton::clicked, this, &LogoutView::signalLogout);
    m_closeButton->setVisible(!(m_kind & NoCloseButton));
    m_exitButton->setVisible(!(m_kind & NoExitButton));
}

LogoutView::~LogoutView()
{
    qInfo() << "LogoutView::~LogoutView ";
}

void LogoutView::buildForm()
{
    setObjectName("LogoutView");
    setWindowTitle("LogoutView");
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("verticalLayout");
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    auto *topLayout = new QHBoxLayout();
    topLayout->setObjectName("topLayout");
    topLayout->setSpacing(10);
    m_imageLabel = new QLabel(this);
    m_imageLabel->setObjectName("imageLabel");
    m_imageLabel->setStyleSheet("border-image: url(:/image/tip/exclamatory.png);");
    m_textLabel = new QLabel(this);
    m_textLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setObjectName("textLabel");
    topLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    topLayout->addWidget(m_imageLabel);
    topLayout->addWidget(m_textLabel);
    topLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(topLayout);

    auto *bottomLayout = new QHBoxLayout();
    bottomLayout->setObjectName("bottomLayout");
    const QMargins margins = bottomLayout->contentsMargins();
    bottomLayout->setContentsMargins(margins.left(), 15, margins.right(), 15);
    m_exitButton = new QPushButton(QStringLiteral("确定"), this);
    m_exitButton->setObjectName("exitButton");
    m_closeButton = new QPushButton(QStringLiteral("取消"), this);
    m_closeButton->setObjectName("closeButton");
    bottomLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    bottomLayout->addWidget(m_exitButton);
    bottomLayout->addWidget(m_closeButton);
    bottomLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(bottomLayout);
}

QString LogoutView::leaveQuestion(int classType)
{
    return classType == 5 || classType == 6 ? QStringLiteral("确定退出会议吗?") : QStringLiteral("确定退出课堂吗?");
}

LogoutView *LogoutView::makeLeaveQuestion(int classType)
{
    auto *view = new LogoutView(0);
    view->setText(leaveQuestion(classType));
    view->setFixedSize(dialogWidth, dialogHeight);
    return view;
}

void LogoutView::setText(const QString &text)
{
    m_textLabel->setText(text);
}

QString LogoutView::text() const
{
    return m_textLabel->text();
}
