#ifndef VIDEOTREEVIEW_H
#define VIDEOTREEVIEW_H

#include "vrek/model/groupinfo.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTreeView>

class QScrollBar;
class TipWidget;
class VideoTreeModel;

// The lessons of a recorded series, one row each with an open button ("回看"). It tells its owner the video of
// the current row, when the end of the table has been scrolled to, and when the teaching-time header was
// clicked (the owner reloads in the other order); clicks on that header are spaced by six seconds.
class VideoTreeView : public QTreeView
{
    Q_OBJECT
public:
    // Clicks on the teaching-time header closer together than this are refused.
    static constexpr int sortIntervalMs = 6000;

    explicit VideoTreeView(QWidget *parent = nullptr);
    ~VideoTreeView() override;

    // Tests shorten the sort throttle; the product keeps 6 s.
    void setSortInterval(int ms) { m_sortIntervalMs = ms; }

    bool addRow(const GroupInfo &info);
    bool clearRows();

    VideoTreeModel *videoModel() const { return m_model; }
    TipWidget *tipWidget() const { return m_tipWidget; }

signals:
    void signalButtonClicked(GroupInfo info);
    void signalCurrentItemChange(QString videoId);
    void signalReachBottom();
    void signalResetSort();

public slots:
    void vSliderChanged(int value);
    void sortByColumn(int column);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void initial();
    void setColumnWidths(int width);
    void fitTextColumns();
    // The width a column's texts (header and rows) need to be shown whole.
    static constexpr int longestMeasuredText = 256;
    int textWidth(int column) const;

    VideoTreeModel *m_model = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    QPointer<TipWidget> m_tipWidget;
    // A monotonic clock: a clock set back must not lock the header.
    QElapsedTimer m_lastSort;
    int m_sortIntervalMs = sortIntervalMs;
};

#endif // VIDEOTREEVIEW_H
