#ifndef TRANSFERITEMDELEGATE_H
#define TRANSFERITEMDELEGATE_H

#include <QStyledItemDelegate>

class QProgressBar;

// Paints a transfer list's kind picture and progress bar; the other cells are painted as usual.
class TransferItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static const QString progressStyle;

    explicit TransferItemDelegate(QObject *parent = nullptr);
    ~TransferItemDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The bar as a row of the status shows it: a percentage while the transfer runs, nothing once it is done.
    static void setProgressBar(QProgressBar *bar, int status, int progress);
    static QString kindPicture(int kind);
};

#endif // TRANSFERITEMDELEGATE_H
