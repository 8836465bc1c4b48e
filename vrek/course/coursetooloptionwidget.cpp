#include "vrek/course/coursetooloptionwidget.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

namespace {
// The sixteen pen colours in button order; the grid holds them in two rows of eight.
const char *const penColors[] = {
    "#000000",
    "#808080",
    "#800000",
    "#F7883A",
    "#308430",
    "#385AD3",
    "#800080",
    "#009999",
    "#FFFFFF",
    "#C0C0C0",
    "#FB3838",
    "#FFFF00",
    "#99CC00",
    "#3894E4",
    "#F31BF3",
    "#16DCDC",
};
constexpr int penColorColumns = 8;
constexpr int lineWidths[] = { 2, 3, 4 };

QString currentColorSheet(const QString &color)
{
    return QStringLiteral("QPushButton{border:1px solid #808080;background-color:%1;}").arg(color);
}
} // namespace

const char *const CourseToolOptionWidget::defaultColor = "#FB3838";

CourseToolOptionWidget::CourseToolOptionWidget(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "parent:" << parent;
    for (int i = 0; i < 3; ++i)
        m_lineWidthButtons.append(new QPushButton);
    m_currentColorButton = new QPushButton;
    for (int i = 0; i < 16; ++i)
        m_penColorButtons.append(new QPushButton);
    m_lineWidthLayout = new QHBoxLayout;
    m_colorLayout = new QHBoxLayout;
    m_colorGridLayout = new QGridLayout;
    m_mainLayout = new QHBoxLayout;

    for (int i = 0; i < m_lineWidthButtons.size(); ++i) {
        QPushButton *button = m_lineWidthButtons.at(i);
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setObjectName(QStringLiteral("lineWidthBtn%1").arg(i + 1));
    }
    for (int i = 0; i < m_penColorButtons.size(); ++i)
        m_penColorButtons.at(i)->setObjectName(QStringLiteral("penColorBtn%1").arg(i + 1));

    setCurrentColor(QString::fromLatin1(defaultColor));
    for (int i = 0; i < m_lineWidthButtons.size(); ++i) {
        m_lineWidthButtons.at(i)->setStyleSheet(
            QStringLiteral("QPushButton{border-image: url(:/vrek/image/centerview/linewidth-%1.png);}"
                           "QPushButton:checked{border-radius:2px;background-color:#e0e0e0}")
                .arg(i + 1));
    }
    for (int i = 0; i < m_penColorButtons.size(); ++i) {
        m_penColorButtons.at(i)->setStyleSheet(
            QStringLiteral("QPushButton{border:1px solid #808080;background-color:%1;}"
                           "QPushButton:hover{border:1px solid #FFFFFF;}")
                .arg(QString::fromLatin1(penColors[i])));
    }
    setStyleSheet(QStringLiteral("color:black;"));

    for (QPushButton *button : qAsConst(m_lineWidthButtons))
        button->setFixedSize(24, 24);
    m_currentColorButton->setFixedSize(28, 28);
    for (QPushButton *button : qAsConst(m_penColorButtons))
        button->setFixedSize(13, 13);
    for (QPushButton *button : m_lineWidthButtons + m_penColorButtons)
        button->setFocusPolicy(Qt::NoFocus);
    m_currentColorButton->setFocusPolicy(Qt::NoFocus);

    m_lineWidthLayout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *button : qAsConst(m_lineWidthButtons))
        m_lineWidthLayout->addWidget(button);
    m_colorGridLayout->setSpacing(2);
    m_colorGridLayout->setContentsMargins(3, 3, 3, 3);
    for (int i = 0; i < m_penColorButtons.size(); ++i)
        m_colorGridLayout->addWidget(m_penColorButtons.at(i), i / penColorColumns, i % penColorColumns);
    m_colorLayout->setSpacing(2);
    m_colorLayout->setContentsMargins(0, 0, 0, 0);
    m_colorLayout->addWidget(m_currentColorButton);
    m_colorLayout->addLayout(m_colorGridLayout);
    m_mainLayout->setContentsMargins(0, 0, 0, 0);
    m_mainLayout->addLayout(m_lineWidthLayout);
    m_mainLayout->addLayout(m_colorLayout);
    setLayout(m_mainLayout);

    setFixedSize(270, 35);
    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(QColor("#F1F1F1"), Qt::SolidPattern));
    setPalette(palette);
    setAutoFillBackground(true);

    m_lineWidthButtons.first()->setChecked(true);
    for (QPushButton *button : qAsConst(m_lineWidthButtons))
        connect(button, &QPushButton::clicked, this, &CourseToolOptionWidget::slotLineWidthBtnClicked);
    for (QPushButton *button : qAsConst(m_penColorButtons))
        connect(button, &QPushButton::clicked, this, &CourseToolOptionWidget::slotPenColorBtnClicked);
    hide();
}

CourseToolOptionWidget::~CourseToolOptionWidget()
{
    qInfo() << "~CourseToolOptionWidget";
}

void CourseToolOptionWidget::setCurrentColor(const QString &color)
{
    m_currentColorButton->setStyleSheet(currentColorSheet(color));
}

void CourseToolOptionWidget::sendDefaultOption()
{
    emit m_penColorButtons.at(10)->clicked(false);
    emit m_lineWidthButtons.first()->clicked(false);
}

void CourseToolOptionWidget::slotLineWidthBtnClicked()
{
    qDebug() << "CourseToolOptionWidget::slotLineWidthBtnClicked";
    const QString name = sender() ? sender()->objectName() : QString();
    int width = 3;
    if (name == QLatin1String("lineWidthBtn1"))
        width = lineWidths[0];
    else if (name == QLatin1String("lineWidthBtn2"))
        width = lineWidths[1];
    else if (name == QLatin1String("lineWidthBtn3"))
        width = lineWidths[2];
    else
        qWarning() << "unknow lineWidth objectName:" << name;
    emit signalLineWidthChange(width);
}

void CourseToolOptionWidget::slotPenColorBtnClicked()
{
    qDebug() << "CourseToolOptionWidget::slotPenColorBtnClicked";
    QString color = QString::fromLatin1(defaultColor);
    const int index = m_penColorButtons.indexOf(qobject_cast<QPushButton *>(sender()));
    if (index >= 0)
        color = QString::fromLatin1(penColors[index]);
    setCurrentColor(color);
    emit signalPenColorChange(color);
}

void CourseToolOptionWidget::showEvent(QShowEvent *event)
{
    setFocus(Qt::OtherFocusReason);
    QWidget::showEvent(event);
}

void CourseToolOptionWidget::focusOutEvent(QFocusEvent *event)
{
    hide();
    QWidget::focusOutEvent(event);
}
