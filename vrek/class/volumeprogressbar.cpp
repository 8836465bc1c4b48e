#include "vrek/class/volumeprogressbar.h"

#include <QColor>
#include <QPainter>

namespace {
constexpr int barWidth = 4;
constexpr int barStep = 8;
const QColor litColour(106, 171, 217);
const QColor unlitColour(229, 229, 229);
} // namespace

VolumeProgressBar::VolumeProgressBar(QWidget *parent)
    : QProgressBar(parent)
{ }

void VolumeProgressBar::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    // A maximum of 0 lights nothing rather than dividing by it.
    const double lit = maximum() > 0 ? value() * (double(w) / maximum()) : 0.0;
    QPainter painter(this);
    int x = 0;
    if (lit > 0) {
        do {
            painter.fillRect(x, 0, barWidth, h, litColour);
            x += barStep;
        } while (lit > x && x < w);
    }
    for (; x < w; x += barStep)
        painter.fillRect(x, 0, barWidth, h, unlitColour);
}
