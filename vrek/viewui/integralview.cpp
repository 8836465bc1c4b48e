#include "vrek/viewui/integralview.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>

IntegralView::IntegralView(QWidget *parent)
    : QWidget(parent)
    , m_pointsLabel(new QLabel(this))
    , m_captionLabel(new QLabel(this))
{
    m_pointsLabel->setObjectName("pointsLabel");
    m_pointsLabel->setStyleSheet("color:#ff8214;font:bold 20px;");
    m_captionLabel->setObjectName("captionLabel");
    m_captionLabel->setStyleSheet("color:#555555;font:14px;");
    auto *layout = new QHBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_pointsLabel);
    layout->addWidget(m_captionLabel);
    layout->addStretch();
}

QString IntegralView::pointsText() const
{
    return m_pointsLabel->text();
}

QString IntegralView::captionText() const
{
    return m_captionLabel->text();
}

bool IntegralView::isPointsShown() const
{
    return !m_pointsLabel->isHidden();
}

void IntegralView::slotIntegralResult(const QString &points)
{
    qInfo() << "points:" << points;
    if (points.toInt() == 0) {
        m_pointsLabel->hide();
        m_captionLabel->setText("感谢您的付出!");
        return;
    }
    m_pointsLabel->setText(QString("+%1").arg(points));
    m_pointsLabel->show();
    m_captionLabel->setText("积分");
}
