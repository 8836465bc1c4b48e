#include "vrek/transferfile/transferitemdelegate.h"

#include "vrek/transferfile/transferinfo.h"
#include "vrek/transferfile/transferitemmodel.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>

const QString TransferItemDelegate::progressStyle
    = QStringLiteral("QProgressBar{border:0px;margin:15px 0px;height:10px;background-color:#FFFFFF;}"
                     "QProgressBar::chunk{background-color:#2A84E8;}");

TransferItemDelegate::TransferItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{ }

TransferItemDelegate::~TransferItemDelegate() = default;

QString TransferItemDelegate::kindPicture(int kind)
{
    switch (kind) {
    case TransferInfo::KindDocument:
        return QStringLiteral(":/vrek/image/transferfileview/document.png");
    case TransferInfo::KindMedia:
        return QStringLiteral(":/vrek/image/transferfileview/video.png");
    case TransferInfo::KindRecording:
        return QStringLiteral(":/vrek/image/transferfileview/record.png");
    default:
        return QString();
    }
}

void TransferItemDelegate::setProgressBar(QProgressBar *bar, int status, int progress)
{
    bar->setRange(0, 1000);
    switch (status) {
    case TransferInfo::Downloaded:
    case TransferInfo::Uploaded:
        bar->setFormat(QString());
        bar->setValue(0);
        return;
    case TransferInfo::FreeText:
    case TransferInfo::Deleting:
        bar->setFormat(QString());
        break;
    default:
        bar->setFormat(QStringLiteral("%p%"));
        break;
    }
    bar->setValue(qBound(0, progress, 1000));
}

void TransferItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.column() != TransferItemModel::KindColumn && index.column() != TransferItemModel::ProgressColumn) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell's background (and selection) first, without any text.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    if (index.column() == TransferItemModel::KindColumn) {
        const QString picture = kindPicture(index.data(Qt::UserRole).toInt());
        if (picture.isEmpty())
            return;
        const QPixmap pixmap = QPixmap(picture).scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QRect target(QPoint(), pixmap.size());
        target.moveCenter(option.rect.center());
        painter->drawPixmap(target, pixmap);
        return;
    }
    const int progress = index.data(Qt::UserRole).toInt();
    const int status = index.sibling(index.row(), TransferItemModel::StatusColumn).data(Qt::UserRole).toInt();
    QProgressBar bar;
    bar.setStyleSheet(progressStyle);
    bar.resize(option.rect.size());
    setProgressBar(&bar, status, progress);
    painter->save();
    painter->translate(option.rect.topLeft());
    bar.render(painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter->restore();
}
