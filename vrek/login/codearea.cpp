#include "vrek/login/codearea.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTime>

CodeArea::CodeArea(QWidget *parent)
    : QWidget(parent)
    , m_image(new QImage(1000, 300, QImage::Format_ARGB32))
{
    m_alphabet = QString("0,1,2,3,4,5,6,7,8,9").split(',');
    m_colors
        = { Qt::darkRed, Qt::darkGreen, Qt::darkBlue, Qt::darkCyan, Qt::darkMagenta, Qt::darkYellow, Qt::darkGray };
    generateCode();
    buildCodePaths();
    setMouseTracking(true);
}

CodeArea::~CodeArea()
{
    qDeleteAll(m_codePaths);
    delete m_image;
}

QString CodeArea::codeText() const
{
    return m_codeChars.join(QString());
}

bool CodeArea::checkCode(const QString &text)
{
    m_code = codeText();
    return m_code == text;
}

void CodeArea::refresh()
{
    generateCode();
    buildCodePaths();
}

void CodeArea::generateCode()
{
    m_codeChars.clear();
    const QTime now = QTime::currentTime();
    m_random.seed(quint32(now.second() * 1000 + now.msec()));
    for (int i = 0; i < m_codeLength; ++i)
        m_codeChars.append(m_alphabet.at(int(m_random.generate() % 10)));
}

void CodeArea::buildCodePaths()
{
    qDeleteAll(m_codePaths);
    m_codePaths.clear();
    QFont font;
    font.setWeight(75);
    font.setPixelSize(40);
    const QFontMetricsF metrics(font);
    for (const QString &character : qAsConst(m_codeChars)) {
        const QRectF box = metrics.boundingRect(character);
        auto *path = new QPainterPath();
        path->addText(-(box.left() + box.right()) / 2, -(box.top() + box.bottom()) / 2, font, character);
        m_codePaths.append(path);
    }
    m_dirty = true;
    update();
}

void CodeArea::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        refresh();
    QWidget::mousePressEvent(event);
}

void CodeArea::resizeEvent(QResizeEvent *event)
{
    m_dirty = true;
    QWidget::resizeEvent(event);
}

void CodeArea::drawTransform(QPainter &painter)
{
    const int sign = m_random.generate() % 2 == 0 ? -1 : 1;
    painter.rotate(sign * int(m_random.generate() % quint32(m_maxRotation)));
    const qreal sy = (int(m_random.generate() % quint32(m_scaleSpread)) - m_scaleSpread + 100) / 100.0;
    const qreal sx = (int(m_random.generate() % quint32(m_scaleSpread)) - m_scaleSpread + 100) / 100.0;
    painter.scale(sx, sy);
}

void CodeArea::drawCodePath(QPainter &painter, int i)
{
    const Qt::GlobalColor color = m_colors.at(int(m_random.generate() % quint32(m_colors.size())));
    painter.fillPath(*m_codePaths.at(i), QBrush(color));
}

void CodeArea::drawNoise(QPainter &painter)
{
    painter.setPen(QPen(Qt::red, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    const int w = qMax(1, width());
    const int h = qMax(1, height());
    for (int i = 0; i < m_noiseCount; ++i)
        painter.drawPoint(int(m_random.generate() % quint32(w)), int(m_random.generate() % quint32(h)));
}

void CodeArea::paintEvent(QPaintEvent *event)
{
    const QRect r = event->rect();
    if (m_dirty) {
        m_dirty = false;
        QPainter painter(m_image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(r, Qt::white);
        painter.save();
        const int cx = (r.left() + r.right()) / 2;
        const int cy = (r.top() + r.bottom()) / 2;
        painter.translate(cx - (m_codePaths.size() / 2) * 6, cy);
        for (int i = 0; i < m_codePaths.size(); ++i) {
            drawTransform(painter);
            drawCodePath(painter, i);
            painter.translate(14, 0);
        }
        painter.restore();
        painter.setPen(QPen(Qt::darkGreen, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(0, 0), QPoint(width() - 1, height() - 1)));
        drawNoise(painter);
    }
    QPainter painter(this);
    painter.drawImage(r, *m_image, r);
}
