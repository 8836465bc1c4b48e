#include "vrek/class/videotreeview.h"

#include "vrek/class/videoopenbutton.h"
#include "vrek/class/videotreemodel.h"
#include "vrek/viewui/tipwidget.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>

namespace {
const unsigned int sortTipSeconds = 3;
} // namespace

VideoTreeView::VideoTreeView(QWidget *parent)
    : QTreeView(parent)
{
    initial();
}

VideoTreeView::~VideoTreeView()
{
    // The tip bar sits on the parent, which may outlive the table.
    delete m_tipWidget;
}

void VideoTreeView::initial()
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setRootIsDecorated(false);
    header()->setDefaultAlignment(Qt::AlignCenter);
    header()->setStyleSheet("QHeaderView::section{height:59px;background-color:#EFEFF9;font:15px;border:0px;"
                            "color:#666666;}");
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, &VideoTreeView::sortByColumn);

    m_model = new VideoTreeModel(this);
    setModel(m_model);
    setColumnHidden(VideoTreeModel::VideoIdColumn, true);

    QWidget *host = parentWidget() ? parentWidget() : this;
    m_tipWidget = TipWidget::smallBar(host);
    m_tipWidget->move(
        (host->width() - m_tipWidget->width()) / 2 + 20, (host->height() - m_tipWidget->height()) / 2 - 50);

    // The first click is always accepted: the clock is only started by an accepted one.
    m_lastSort.invalidate();

    m_scrollBar = verticalScrollBar();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &VideoTreeView::vSliderChanged);
}

bool VideoTreeView::addRow(const GroupInfo &info)
{
    m_model->addRow(info);
    auto *button = new VideoOpenButton(info);
    if (!info.getVideoId().isEmpty() && info.getIsCanLook()) {
        button->setStyleSheet("QPushButton{color:#ff8214;font:15px;background-color:transparent;}");
        button->setText(QStringLiteral("回看"));
        button->setEnabled(true);
    } else {
        button->setStyleSheet("QPushButton{background-color:transparent;}");
        button->setText(QStringLiteral("--"));
        button->setEnabled(false);
    }
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &VideoOpenButton::signalButtonClicked, this, &VideoTreeView::signalButtonClicked);
    const int rows = m_model->lockedRowCount();
    setIndexWidget(m_model->index(rows - 1, VideoTreeModel::ButtonColumn), button);
    fitTextColumns();
    return true;
}

bool VideoTreeView::clearRows()
{
    return m_model->clearRows();
}

void VideoTreeView::vSliderChanged(int value)
{
    if (value == m_scrollBar->maximum())
        emit signalReachBottom();
}

void VideoTreeView::sortByColumn(int column)
{
    if (column != VideoTreeModel::TimeColumn)
        return;
    if (m_lastSort.isValid() && m_lastSort.elapsed() < m_sortIntervalMs) {
        m_tipWidget->showTip(QStringLiteral(" 请勿频繁操作!"), sortTipSeconds);
        return;
    }
    m_lastSort.start();
    emit signalResetSort();
}

void VideoTreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (current.isValid() && current.model())
        emit signalCurrentItemChange(current.sibling(current.row(), VideoTreeModel::VideoIdColumn).data().toString());
    else
        emit signalCurrentItemChange(QString());
}

void VideoTreeView::resizeEvent(QResizeEvent *event)
{
    // The viewport's resizes come here too: the widths follow the view's own width.
    setColumnWidths(width());
    fitTextColumns();
    QTreeView::resizeEvent(event);
}

void VideoTreeView::setColumnWidths(int w)
{
    if (w > 900) {
        setColumnWidth(VideoTreeModel::FirstGapColumn, 40);
        setColumnWidth(VideoTreeModel::SecondGapColumn, 80);
        setColumnWidth(VideoTreeModel::NumberColumn, 150);
        setColumnWidth(VideoTreeModel::DurationColumn, w / 8);
        setColumnWidth(VideoTreeModel::TimeColumn, w / 6);
        setColumnWidth(VideoTreeModel::ButtonColumn, w / 4);
        setColumnWidth(VideoTreeModel::TitleColumn, (w - 1) - 279 - (13 * w) / 24);
    } else {
        setColumnWidth(VideoTreeModel::NumberColumn, 100);
        setColumnWidth(VideoTreeModel::FirstGapColumn, 40);
        setColumnWidth(VideoTreeModel::DurationColumn, 100);
        setColumnWidth(VideoTreeModel::TimeColumn, 140);
        setColumnWidth(VideoTreeModel::SecondGapColumn, 80);
        setColumnWidth(VideoTreeModel::ButtonColumn, 240);
        setColumnWidth(VideoTreeModel::TitleColumn, (w - 1) - 719);
    }
}

int VideoTreeView::textWidth(int column) const
{
    int widest = header()->sectionSizeHint(column);
    // Also asked while the model inserts a row under its lock (the view lays itself out then): no lock here.
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = m_model->index(row, column);
        const QWidget *widget = indexWidget(index);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!widget && text.size() > longestMeasuredText) {
            // Cut whatever the widths: laid out whole, a server's endless title would stall the window.
            widest = qMax(widest, fontMetrics().horizontalAdvance(text.left(longestMeasuredText)));
            continue;
        }
        widest = qMax(widest, widget ? widget->sizeHint().width() : sizeHintForIndex(index).width());
    }
    return widest;
}

void VideoTreeView::fitTextColumns()
{
    // The widths above leave the lesson's title and time too little room at the course list's usual sizes, while
    // the open button's column has plenty: the two take what they lack from the other columns, each of which keeps
    // what its own texts need.
    struct Donor {
        int column;
        int least;
    };
    const Donor donors[] = {
        { VideoTreeModel::ButtonColumn, textWidth(VideoTreeModel::ButtonColumn) },
        { VideoTreeModel::NumberColumn, textWidth(VideoTreeModel::NumberColumn) },
        { VideoTreeModel::SecondGapColumn, 10 },
        { VideoTreeModel::FirstGapColumn, 10 },
        { VideoTreeModel::DurationColumn, textWidth(VideoTreeModel::DurationColumn) },
    };
    for (int wanting : { VideoTreeModel::TimeColumn, VideoTreeModel::TitleColumn }) {
        int lacking = textWidth(wanting) - columnWidth(wanting);
        for (const Donor &donor : donors) {
            if (lacking <= 0)
                break;
            const int given = qMin(lacking, columnWidth(donor.column) - donor.least);
            if (given <= 0)
                continue;
            setColumnWidth(donor.column, columnWidth(donor.column) - given);
            setColumnWidth(wanting, columnWidth(wanting) + given);
            lacking -= given;
        }
    }
}
