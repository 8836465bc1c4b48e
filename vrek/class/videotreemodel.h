#ifndef VIDEOTREEMODEL_H
#define VIDEOTREEMODEL_H

#include "vrek/model/groupinfo.h"

#include <QAbstractItemModel>
#include <QList>
#include <QReadWriteLock>

// The lessons of a recorded series as a flat table: number, title, duration, teaching time, the open button's
// column and the hidden video id. Rows keep the order they were added in; the server sorts, never the table.
class VideoTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        NumberColumn = 0,
        FirstGapColumn = 1,
        TitleColumn = 2,
        DurationColumn = 3,
        SecondGapColumn = 4,
        TimeColumn = 5,
        ButtonColumn = 6,
        VideoIdColumn = 7,
        ColumnCount = 8,
    };

    explicit VideoTreeModel(QObject *parent = nullptr);
    ~VideoTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    bool addRow(const GroupInfo &info);
    bool clearRows();
    // The row count as a reader beside the writers sees it.
    int lockedRowCount() const;

private:
    static QVariant alignment(int column);

    QList<GroupInfo> m_rows;
    mutable QReadWriteLock m_lock;
};

#endif // VIDEOTREEMODEL_H
