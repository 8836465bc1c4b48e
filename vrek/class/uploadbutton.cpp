#include "vrek/class/uploadbutton.h"

#include <QPainter>

UploadButton::UploadButton(QWidget *parent)
    : QPushButton(parent)
{ }

void UploadButton::slotSetProgress(const QString &id, int progress)
{
    m_progress.insert(id, progress);
    qint64 sum = 0;
    int count = 0;
    for (int value : qAsConst(m_progress)) {
        if (value >= 1 && value <= complete) {
            sum += value;
            ++count;
        }
    }
    if (count == 0)
        return;
    m_shown = int(sum / count);
    setText(m_shown == complete ? QStringLiteral("录屏上传") : QString("%1%").arg(QString::number(m_shown / 10.0)));
    update();
}

void UploadButton::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 0));
        painter.setBrush(QColor(160, 203, 253));
        painter.drawRoundedRect(rect(), 3, 3);
        QRect done = rect();
        done.setWidth(int(qint64(width()) * m_shown / complete));
        painter.setBrush(QColor(101, 173, 87));
        painter.drawRoundedRect(done, 3, 3);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
    QWidget::paintEvent(event);
}
