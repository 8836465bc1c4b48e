// The lesson table of a recorded series: its model's cells and header, the open buttons, the current row's
// video, the end of the scroll and the throttled teaching-time header.
#include "vrek/class/videoopenbutton.h"
#include "vrek/class/videotreemodel.h"
#include "vrek/class/videotreeview.h"
#include "vrek/viewui/tipwidget.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
GroupInfo lesson(int number, const QString &videoId = QString(), bool canLook = true)
{
    GroupInfo info;
    info.setId(QString::number(number));
    info.setTitle(QString("第%1课").arg(number));
    info.setActualTime(QString::number(40 + number));
    info.setBeginTime(QString("2020-09-%1 08:00:00").arg(number, 2, 10, QChar('0')));
    info.setVideoId(videoId.isNull() ? QString("v%1").arg(number) : videoId);
    info.setIsCanLook(canLook);
    return info;
}

VideoOpenButton *buttonAt(VideoTreeView &view, int row)
{
    return qobject_cast<VideoOpenButton *>(
        view.indexWidget(view.videoModel()->index(row, VideoTreeModel::ButtonColumn)));
}
} // namespace

class TestVideoTreeView : public QObject
{
    Q_OBJECT
private slots:
    void cellsAndHeader();
    void outsideTheRowsIsEmpty();
    void openButtons_data();
    void openButtons();
    void openButtonHandsItsLessonOn();
    void currentRowTellsItsVideo();
    void clearRemovesRowsAndButtons();
    void sortHeaderIsThrottled();
    void endOfScrollIsAnnounced();
    void columnWidths_data();
    void columnWidths();
};

void TestVideoTreeView::cellsAndHeader()
{
    VideoTreeView view;
    VideoTreeModel *model = view.videoModel();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    view.addRow(lesson(3));
    view.addRow(lesson(1));
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(model->columnCount(), 8);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->rowCount(model->index(0, 0)), 0);
    QVERIFY(!model->parent(model->index(1, 2)).isValid());
    QVERIFY(view.isColumnHidden(VideoTreeModel::VideoIdColumn));

    // Numbers follow the insertion, never the lessons' own order.
    const QStringList row0 { "1", "", "第3课", "43", "", "2020-09-03 08:00:00", "", "v3" };
    const QStringList row1 { "2", "", "第1课", "41", "", "2020-09-01 08:00:00", "", "v1" };
    for (int column = 0; column < 8; ++column) {
        QCOMPARE(model->index(0, column).data().toString(), row0.at(column));
        QCOMPARE(model->index(1, column).data().toString(), row1.at(column));
        QCOMPARE(model->index(0, column).data(Qt::ToolTipRole).toString(), row0.at(column));
    }
    QCOMPARE(model->index(0, 2).data(Qt::EditRole), QVariant());

    const QStringList headers { "   序号", "\t", "课节名称", "时长(分钟)", "\t", "授课时间", "操作", "" };
    for (int section = 0; section < 8; ++section)
        QCOMPARE(model->headerData(section, Qt::Horizontal).toString(), headers.at(section));
    QCOMPARE(model->headerData(0, Qt::Vertical), QVariant());

    const QList<int> alignments { int(Qt::AlignCenter), -1, int(Qt::AlignLeft | Qt::AlignVCenter),
        int(Qt::AlignRight | Qt::AlignVCenter), -1, int(Qt::AlignLeft | Qt::AlignVCenter), -1, -1 };
    for (int column = 0; column < 8; ++column) {
        const QVariant cell = model->index(0, column).data(Qt::TextAlignmentRole);
        const QVariant header = model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
        QCOMPARE(cell.isValid() ? cell.toInt() : -1, alignments.at(column));
        QCOMPARE(header.isValid() ? header.toInt() : -1, alignments.at(column));
    }
    QCOMPARE(view.header()->sectionResizeMode(2), QHeaderView::Fixed);
    QVERIFY(view.header()->sectionsClickable());
}

void TestVideoTreeView::outsideTheRowsIsEmpty()
{
    VideoTreeView view;
    view.addRow(lesson(1));
    // The model makes indexes for any row; reading one beyond the rows gives nothing rather than a crash.
    const QModelIndex beyond = view.videoModel()->index(5, VideoTreeModel::TitleColumn);
    QVERIFY(beyond.isValid());
    QCOMPARE(beyond.data(), QVariant());
    QCOMPARE(view.videoModel()->index(-1, 0).data(), QVariant());
    QCOMPARE(view.videoModel()->data(QModelIndex()), QVariant());
}

void TestVideoTreeView::openButtons_data()
{
    QTest::addColumn<QString>("videoId");
    QTest::addColumn<bool>("canLook");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("video that may be watched") << "v1" << true << true;
    QTest::newRow("no video") << "" << true << false;
    QTest::newRow("may not be watched") << "v1" << false << false;
    QTest::newRow("neither") << "" << false << false;
}

void TestVideoTreeView::openButtons()
{
    QFETCH(QString, videoId);
    QFETCH(bool, canLook);
    QFETCH(bool, enabled);
    VideoTreeView view;
    view.addRow(lesson(1, videoId, canLook));
    VideoOpenButton *button = buttonAt(view, 0);
    QVERIFY(button);
    QCOMPARE(button->isEnabled(), enabled);
    QCOMPARE(button->text(), enabled ? QString("回看") : QString("--"));
    QCOMPARE(button->styleSheet(),
        enabled ? QString("QPushButton{color:#ff8214;font:15px;background-color:transparent;}")
                : QString("QPushButton{background-color:transparent;}"));
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
}

void TestVideoTreeView::openButtonHandsItsLessonOn()
{
    VideoTreeView view;
    view.resize(800, 400);
    view.show();
    view.addRow(lesson(1));
    view.addRow(lesson(2));
    QSignalSpy clicked(&view, &VideoTreeView::signalButtonClicked);
    QTest::mouseClick(buttonAt(view, 1), Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    const GroupInfo chosen = clicked.first().first().value<GroupInfo>();
    QCOMPARE(chosen.getVideoId(), QString("v2"));
    QCOMPARE(chosen.getTitle(), QString("第2课"));
}

void TestVideoTreeView::currentRowTellsItsVideo()
{
    VideoTreeView view;
    view.addRow(lesson(1));
    view.addRow(lesson(2));
    QSignalSpy current(&view, &VideoTreeView::signalCurrentItemChange);
    view.setCurrentIndex(view.videoModel()->index(1, VideoTreeModel::TitleColumn));
    view.setCurrentIndex(QModelIndex());
    QCOMPARE(current.count(), 2);
    QCOMPARE(current.at(0).first().toString(), QString("v2"));
    QCOMPARE(current.at(1).first().toString(), QString());
}

void TestVideoTreeView::clearRemovesRowsAndButtons()
{
    VideoTreeView view;
    QSignalSpy removed(view.videoModel(), &QAbstractItemModel::rowsRemoved);
    QVERIFY(view.clearRows());
    QCOMPARE(removed.count(), 0);
    for (int i = 1; i <= 3; ++i)
        view.addRow(lesson(i));
    QPointer<VideoOpenButton> button = buttonAt(view, 2);
    QVERIFY(view.clearRows());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 0);
    QCOMPARE(removed.first().at(2).toInt(), 2);
    QCOMPARE(view.videoModel()->rowCount(), 0);
    QTRY_VERIFY(button.isNull());
}

void TestVideoTreeView::sortHeaderIsThrottled()
{
    QWidget parent;
    parent.resize(600, 400);
    auto *view = new VideoTreeView(&parent);
    view->setSortInterval(300);
    parent.show();
    // The tip bar sits on the parent, a little right of and above its centre.
    QCOMPARE(view->tipWidget()->parentWidget(), &parent);
    QCOMPARE(view->tipWidget()->size(), QSize(112, 35));
    QSignalSpy resets(view, &VideoTreeView::signalResetSort);

    for (int column : { 0, 2, 3, 6 })
        view->sortByColumn(column);
    QCOMPARE(resets.count(), 0);
    QVERIFY(!view->tipWidget()->isVisible());

    // Through the header, as the user clicks it.
    const int x = view->header()->sectionViewportPosition(VideoTreeModel::TimeColumn) + 5;
    QTest::mouseClick(view->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    QCOMPARE(resets.count(), 1);
    view->sortByColumn(VideoTreeModel::TimeColumn);
    QCOMPARE(resets.count(), 1);
    QVERIFY(view->tipWidget()->isVisible());
    QCOMPARE(view->tipWidget()->text(), QString(" 请勿频繁操作!"));
    QTest::qWait(350);
    view->sortByColumn(VideoTreeModel::TimeColumn);
    QCOMPARE(resets.count(), 2);
}

void TestVideoTreeView::endOfScrollIsAnnounced()
{
    VideoTreeView view;
    view.setStyleSheet("QTreeView::item{height:50px;}");
    view.resize(600, 300);
    view.show();
    for (int i = 1; i <= 20; ++i)
        view.addRow(lesson(i));
    QScrollBar *bar = view.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    QSignalSpy bottom(&view, &VideoTreeView::signalReachBottom);
    bar->setValue(bar->maximum() / 2);
    QCOMPARE(bottom.count(), 0);
    bar->setValue(bar->maximum());
    QCOMPARE(bottom.count(), 1);
}

void TestVideoTreeView::columnWidths_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("widths");
    // Columns 0 to 6.
    QTest::newRow("1200") << 1200 << QList<int> { 150, 40, 1199 - 279 - 650, 150, 80, 200, 300 };
    QTest::newRow("901") << 901 << QList<int> { 150, 40, 900 - 279 - 488, 112, 80, 150, 225 };
    QTest::newRow("900") << 900 << QList<int> { 100, 40, 899 - 719, 100, 80, 140, 240 };
}

void TestVideoTreeView::columnWidths()
{
    QFETCH(int, width);
    QFETCH(QList<int>, widths);
    VideoTreeView view;
    view.resize(width, 300);
    view.show();
    QTRY_COMPARE(view.width(), width);
    // The last column also takes what the viewport has left over.
    for (int column = 0; column < VideoTreeModel::ButtonColumn; ++column)
        QCOMPARE(view.columnWidth(column), widths.at(column));
    QVERIFY(view.columnWidth(VideoTreeModel::ButtonColumn) >= widths.at(VideoTreeModel::ButtonColumn));
    QVERIFY(view.columnWidth(VideoTreeModel::ButtonColumn) <= widths.at(VideoTreeModel::ButtonColumn) + 20);
}

QTEST_MAIN(TestVideoTreeView)
#include "tst_videotreeview.moc"
