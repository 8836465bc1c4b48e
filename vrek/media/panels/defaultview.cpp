#include "vrek/media/panels/defaultview.h"

#include <QDebug>
#include <QResizeEvent>

DefaultView::DefaultView(const QString &path, QLabel *parent)
    : QLabel(parent)
    , m_image(new QImage(path))
{
    qInfo() << "path:" << path;
}

DefaultView::~DefaultView()
{
    delete m_image;
}

void DefaultView::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    if (m_image->isNull() || event->size().isEmpty()) {
        clear();
        return;
    }
    setPixmap(QPixmap::fromImage(m_image->scaled(event->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}
