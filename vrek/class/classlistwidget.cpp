#include "vrek/class/classlistwidget.h"

#include "vrek/class/classinfowidget.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

QList<ClassListWidget *> ClassListWidget::addPages(QTabWidget *tabs, const QVector<Kind> &kinds, int cardMode)
{
    QList<ClassListWidget *> added;
    for (const Kind &kind : kinds) {
        auto *page = new ClassListWidget(QString::fromLatin1(kind.lessonType), cardMode, tabs);
        tabs->addTab(page, QString::fromUtf8(kind.label));
        added.append(page);
    }
    return added;
}

QList<ClassListWidget *> ClassListWidget::pagesOf(const QTabWidget *tabs)
{
    QList<ClassListWidget *> result;
    for (int i = 0; i < tabs->count(); ++i) {
        if (auto *page = qobject_cast<ClassListWidget *>(tabs->widget(i)))
            result.append(page);
    }
    return result;
}

ClassListWidget::ClassListWidget(const QString &lessonType, int cardMode, QWidget *parent)
    : QListWidget(parent)
    , m_lessonType(lessonType)
    , m_cardMode(cardMode)
    , m_footerItem(new QListWidgetItem)
    , m_footerLabel(new QLabel)
    , m_movie(new QMovie(":/image/videoBack/wait.gif", QByteArray(), this))
    , m_buildTimer(new QTimer(this))
{
    m_buildTimer->setSingleShot(true);
    m_buildTimer->setInterval(0);
    connect(m_buildTimer, &QTimer::timeout, this, [this] { buildCards(); });
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row has the height the style sheet gives items: the layout need not ask each of them.
    setUniformItemSizes(true);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet("QListWidget::item{height:100px;margin:10px;background-color:white;background-clip:content;}"
                  "QListWidget::disabled{background-color:transparent;}");
    verticalScrollBar()->setStyleSheet(
        "QScrollBar:vertical{width:8px;background:transparent;margin:0px;}"
        "QScrollBar::handle:vertical{background:rgba(0,0,0,20%);border-radius:4px;min-height:30px;}"
        "QScrollBar::handle:vertical:hover{background:rgba(0,0,0,50%);}"
        "QScrollBar::handle:vertical:pressed{background:rgba(0,0,0,40%);}"
        "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:transparent;}"
        "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0px;background:transparent;}");

    m_footerLabel->setAlignment(Qt::AlignCenter);
    m_footerLabel->setStyleSheet("QLabel{color:#C0C0C0}");
    m_footerItem->setFlags(Qt::NoItemFlags);
    addItem(m_footerItem);
    setItemWidget(m_footerItem, m_footerLabel);
    setLoadState(LoadMore);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ClassListWidget::slotVerticalBarChanged);
}

ClassListWidget::~ClassListWidget()
{
    // Removing the rows moves the scroll bar; nothing may answer that while the list goes.
    disconnect(verticalScrollBar(), nullptr, this, nullptr);
    m_movie->stop();
    clearClassInfos();
    removeItemWidget(m_footerItem);
    delete takeItem(row(m_footerItem));
}

QString ClassListWidget::footerText() const
{
    return m_footerLabel->text();
}

bool ClassListWidget::footerAnimating() const
{
    return m_footerLabel->movie() == m_movie && m_movie->state() == QMovie::Running;
}

QList<ClassInfoWidget *> ClassListWidget::cards() const
{
    QList<ClassInfoWidget *> result;
    for (int i = 0; i < count(); ++i) {
        if (auto *card = qobject_cast<ClassInfoWidget *>(itemWidget(item(i))))
            result.append(card);
    }
    return result;
}

QDateTime ClassListWidget::referenceTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    return g_networkTimeFlag ? now.addSecs(g_networkTimeOffset) : now;
}

void ClassListWidget::addClassInfos(const QList<GroupInfo> &infos)
{
    if (m_pageCount == 0)
        clearClassInfos();

    const QDateTime reference = referenceTime();
    if (!infos.isEmpty()) {
        // The list is shared, not copied: a long one costs nothing more here.
        m_batches.append({ m_recordCount, infos, reference });
        m_recordCount += infos.size();
        // Bare rows first, in one insertion (the footer stays last); their cards follow.
        insertItems(row(m_footerItem), QVector<QString>(infos.size()).toList());
        // A page of the usual size is shown at once; a longer one follows over the next turns.
        buildCards(infos.size() <= fullPageSize ? fullPageSize : 0);
    }

    if (infos.size() >= fullPageSize) {
        setLoadState(LoadMore);
        ++m_pageCount;
    } else {
        setLoadState(NoMore);
    }
}

const ClassListWidget::Batch &ClassListWidget::batchOf(int row) const
{
    // The last batch starting at or before the row.
    auto it = std::upper_bound(m_batches.cbegin(), m_batches.cend(), row,
        [](int wanted, const Batch &batch) { return wanted < batch.firstRow; });
    return *(it - 1);
}

GroupInfo ClassListWidget::recordAt(int row) const
{
    if (row < 0 || row >= m_recordCount)
        return GroupInfo();
    const Batch &batch = batchOf(row);
    return batch.infos.at(row - batch.firstRow);
}

void ClassListWidget::buildCard(int index)
{
    const Batch &batch = batchOf(index);
    auto *card = new ClassInfoWidget(m_cardMode);
    card->setGroupInfo(batch.infos.at(index - batch.firstRow), batch.reference);
    connect(card, &ClassInfoWidget::signalEnterButtonClicked, this, &ClassListWidget::signalEnterButtonClicked);
    setItemWidget(item(index), card);
}

void ClassListWidget::releaseCard(int index)
{
    QListWidgetItem *cardItem = item(index);
    // Released at once: the view would only schedule the deletion.
    QPointer<QWidget> card = itemWidget(cardItem);
    removeItemWidget(cardItem);
    delete card.data();
}

void ClassListWidget::buildCards(int atLeast)
{
    QElapsedTimer clock;
    clock.start();
    const int eager = qMin(m_recordCount, int(eagerRows));
    int built = 0;
    while (m_builtRows < eager && (built++ < atLeast || clock.elapsed() < buildBudgetMs)) {
        if (!itemWidget(item(m_builtRows)))
            buildCard(m_builtRows);
        m_lazyRows.remove(m_builtRows);
        ++m_builtRows;
    }
    updateVisibleCards();
    if (m_builtRows < eager) {
        m_buildTimer->start();
        return;
    }
    emit cardsShown();
}

void ClassListWidget::updateVisibleCards()
{
    const int cardRows = m_recordCount;
    if (cardRows <= eagerRows)
        return;
    const QModelIndex top = indexAt(QPoint(0, 0));
    const QModelIndex bottom = indexAt(QPoint(0, qMax(0, viewport()->height() - 1)));
    const int first = top.isValid() ? top.row() : 0;
    const int last = bottom.isValid() ? bottom.row() : cardRows - 1;
    const int from = qMax(int(eagerRows), first - nearRows);
    const int to = qMin(cardRows - 1, last + nearRows);
    // Cards well out of view go; a few screens' worth are kept around the view.
    const QList<int> built = m_lazyRows.values();
    for (int index : built) {
        if (index < from - 4 * nearRows || index > to + 4 * nearRows) {
            releaseCard(index);
            m_lazyRows.remove(index);
        }
    }
    for (int index = from; index <= to; ++index) {
        if (m_lazyRows.contains(index))
            continue;
        buildCard(index);
        m_lazyRows.insert(index);
    }
}

void ClassListWidget::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    if (!m_buildTimer->isActive())
        m_buildTimer->start();
}

void ClassListWidget::showEvent(QShowEvent *event)
{
    QListWidget::showEvent(event);
    if (!m_buildTimer->isActive())
        m_buildTimer->start();
}

void ClassListWidget::refreshClassInfos()
{
    setLoadState(Loading);
    m_pageCount = 0;
    clearClassInfos();
    emit signalRequestGroupInfo(m_lessonType, 1);
}

void ClassListWidget::clearClassInfos()
{
    m_buildTimer->stop();
    m_batches.clear();
    m_recordCount = 0;
    m_builtRows = 0;
    m_lazyRows.clear();
    for (int i = count() - 1; i >= 0; --i) {
        QListWidgetItem *cardItem = item(i);
        if (cardItem == m_footerItem)
            continue;
        QPointer<QWidget> card = itemWidget(cardItem);
        delete takeItem(i);
        delete card.data(); // at once, not when the view gets round to it
    }
    m_pageCount = 0;
}

void ClassListWidget::getClassError()
{
    qWarning() << "data error";
    setLoadState(NetError);
}

void ClassListWidget::setLoadState(int state)
{
    m_loadState = state;
    switch (state) {
    case LoadMore:
        m_movie->stop();
        m_footerLabel->setText("加载更多");
        break;
    case Loading:
        m_footerLabel->setMovie(m_movie);
        m_movie->start();
        break;
    case NoMore:
        m_movie->stop();
        m_footerLabel->setText("没有更多了");
        break;
    case NetError:
        m_movie->stop();
        clearClassInfos();
        m_footerLabel->setText("网络连接异常，加载数据失败！\n请检查您的网络连接后点击刷新重试！");
        break;
    default:
        break;
    }
}

void ClassListWidget::slotVerticalBarChanged(int value)
{
    // Losing the cards pulls the scroll bar back to 0, its new end: only a list with cards can be scrolled.
    if (count() <= 1)
        return;
    if (!m_buildTimer->isActive())
        m_buildTimer->start();
    if (value == verticalScrollBar()->maximum() && m_loadState == LoadMore) {
        setLoadState(Loading);
        emit signalRequestGroupInfo(m_lessonType, m_pageCount + 1);
    }
}
