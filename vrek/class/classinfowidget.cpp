#include "vrek/class/classinfowidget.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int maxLabelWidth = 1000;
const char *const beginTimeFormat = "yyyy-MM-dd HH:mm:ss";
} // namespace

ClassInfoWidget::ClassInfoWidget(int cardMode, QWidget *parent)
    : QWidget(parent)
    , m_cardMode(cardMode)
{
    buildForm();
    connect(m_enterPushButton, &QPushButton::clicked, this, &ClassInfoWidget::slotEnterButtonClicked);
}

void ClassInfoWidget::buildForm()
{
    setObjectName("ClassInfoWidget");
    setStyleSheet("QWidget{background-color:white;}QWidget::disabled{color:black;}");

    m_classSubjectLabel = new QLabel(this);
    m_classSubjectLabel->setTextFormat(Qt::PlainText);
    m_classSubjectLabel->setObjectName("classSubjectLabel");
    m_classSubjectLabel->setAlignment(Qt::AlignCenter);
    m_classSubjectLabel->setStyleSheet(
        "QLabel{border:1px solid #0081ff;border-radius:2px;color:#0081ff;font-size:10pt;padding:1px 4px;}");
    m_classTitleLabel = new QLabel(this);
    m_classTitleLabel->setTextFormat(Qt::PlainText);
    m_classTitleLabel->setObjectName("classTitleLabel");
    m_classTitleLabel->setStyleSheet("QLabel{font:16px;}");
    m_centerLabel = new QLabel(this);
    m_centerLabel->setObjectName("centerLabel");
    m_centerLabel->setStyleSheet("QLabel{font:14px;color:#666666;}");
    m_classInfoLabel = new QLabel(this);
    m_classInfoLabel->setTextFormat(Qt::PlainText);
    m_classInfoLabel->setObjectName("classInfoLabel");
    m_classInfoLabel->setStyleSheet("QLabel{font:14px;color:#666666;}");
    m_classNameLabel = new QLabel(this);
    m_classNameLabel->setTextFormat(Qt::PlainText);
    m_classNameLabel->setObjectName("classNameLabel");
    m_classNameLabel->setStyleSheet("QLabel{font:14px;}");
    m_classLectNameLabel = new QLabel(this);
    m_classLectNameLabel->setTextFormat(Qt::PlainText);
    m_classLectNameLabel->setObjectName("classLectNameLabel");
    m_classLectNameLabel->setStyleSheet("QLabel{font:14px;}");
    // The list gives a card the width the card asks for: a text of any length asks for a screen at most, and the
    // labels clip what does not fit.
    for (QLabel *label :
        { m_classSubjectLabel, m_classTitleLabel, m_classInfoLabel, m_classNameLabel, m_classLectNameLabel }) {
        label->setMinimumWidth(1);
        label->setMaximumWidth(int(maxLabelWidth * g_uiScale));
    }
    m_enterPushButton = new QPushButton(this);
    m_enterPushButton->setObjectName("enterPushButton");
    m_enterPushButton->setFixedSize(90, 32);
    m_enterPushButton->setStyleSheet("QPushButton{color:#ff8214;font:14px;border:1px solid #ff8214;border-radius:14px;}"
                                     "QPushButton::hover{color:white;background-color:#ff8214;}"
                                     "QPushButton::disabled{color:#ffc18a;border-color:#ffc18a;}");

    m_classTopLayout = new QHBoxLayout;
    m_classTopLayout->setObjectName("classTopLayout");
    m_classTopLayout->setSpacing(15);
    m_classTopLayout->addWidget(m_classSubjectLabel);
    m_classTopLayout->addWidget(m_classTitleLabel);
    m_classTopLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_infoLayout = new QVBoxLayout;
    m_infoLayout->setObjectName("infoLayout");
    m_infoLayout->setSpacing(0);
    m_infoLayout->addWidget(m_centerLabel);

    m_classBottomLayout = new QHBoxLayout;
    m_classBottomLayout->setObjectName("classBottomLayout");
    m_classBottomLayout->setSpacing(20);
    m_classBottomLayout->addWidget(m_classInfoLabel);
    m_classBottomLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_classDetailLayout = new QVBoxLayout;
    m_classDetailLayout->setObjectName("classDetailLayout");
    m_classDetailLayout->setSpacing(5);
    m_classDetailLayout->addLayout(m_classTopLayout);
    m_classDetailLayout->addLayout(m_infoLayout);
    m_classDetailLayout->addLayout(m_classBottomLayout);

    m_classInfoLayout = new QHBoxLayout(this);
    m_classInfoLayout->setObjectName("classInfoLayout");
    m_classInfoLayout->setSpacing(30);
    m_classInfoLayout->setContentsMargins(20, 10, 20, 10);
    m_classInfoLayout->addLayout(m_classDetailLayout);
    m_classInfoLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_classInfoLayout->addWidget(m_classNameLabel);
    m_classInfoLayout->addWidget(m_classLectNameLabel);
    m_classInfoLayout->addWidget(m_enterPushButton);
}

QString ClassInfoWidget::lessonTypeName(int lessonType)
{
    switch (lessonType) {
    case 0:
        return "公共班";
    case 1:
        return "班级组";
    case 2:
        return "辅导班";
    case 4:
        return "在线课";
    case 5:
        return "校务会";
    case 6:
        return "家长会";
    case 7:
        return "名师课";
    case 8:
        return "辅导课";
    default:
        return "临时课";
    }
}

void ClassInfoWidget::setGroupInfo(const GroupInfo &info, const QDateTime &reference)
{
    m_groupInfo = info;

    // Every field comes from the course-list reply: each is clipped as it is laid out.
    m_classSubjectLabel->setText(StringUtil::clippedText(
        info.getSubjectName().isEmpty() ? lessonTypeName(info.getLessonType()) : info.getSubjectName()));
    m_classTitleLabel->setText(
        StringUtil::clippedText(info.getParentTitle().isEmpty() ? info.getTitle() : info.getParentTitle()));
    m_classLectNameLabel->setText(StringUtil::clippedText(info.getTeacherName()));
    if (!info.getGradeName().isEmpty() || !info.getClassName().isEmpty())
        m_classNameLabel->setText(
            StringUtil::clippedText(QString("%1 %2").arg(info.getGradeName(), info.getClassName())));

    if (m_cardMode == LiveMode) {
        m_centerLabel->setText("课程预告：");
        if (info.getSort() > 0)
            m_classInfoLabel->setText(StringUtil::clippedText(
                QString("第%1节 %2 开课时间：%3")
                    .arg(QString::number(info.getSort()), StringUtil::clippedText(info.getTitle()), info.getBeginTime())));
        else
            m_classInfoLabel->setText("...");

        // Only the opening of the window counts: a lesson stays enterable after its end.
        const QDateTime begin = QDateTime::fromString(info.getBeginTime(), beginTimeFormat);
        bool open = true;
        if (begin.isValid())
            open = reference >= begin.addSecs(-enterAheadSeconds);
        else
            qWarning() << "the begin time is unreadable, the lesson stays open! beginTime:" << info.getBeginTime();
        m_enterPushButton->setEnabled(open);
        m_enterPushButton->setToolTip(open ? QString() : QString("课程开始前1小时可以进入课堂"));
        const int lessonType = info.getLessonType();
        m_enterPushButton->setText(lessonType == 5 || lessonType == 6 ? "进入会议" : "进入课堂");
    } else if (m_cardMode == SeriesMode) {
        m_centerLabel->setText("系列课时间：");
        m_classInfoLabel->setText(
            StringUtil::clippedText(QString("%1 至 %2").arg(info.getPlanBeginTime(), info.getPlanEndTime())));
        m_enterPushButton->setEnabled(true);
        m_enterPushButton->setToolTip(QString());
        m_enterPushButton->setText("列表");
    }
}

void ClassInfoWidget::slotEnterButtonClicked()
{
    emit signalEnterButtonClicked(m_groupInfo);
}
