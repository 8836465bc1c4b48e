#include "vrek/class/classlistwidget.h"

#include "vrek/class/classinfowidget.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QLabel>
#include <QMovie>
#include <QScrollBar>
#include <QTabWidget>

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
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
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
    for (const GroupInfo &info : infos) {
        auto *cardItem = new QListWidgetItem;
        auto *card = new ClassInfoWidget(m_cardMode);
        card->setGroupInfo(info, reference);
        connect(card, &ClassInfoWidget::signalEnterButtonClicked, this, &ClassListWidget::signalEnterButtonClicked);
        insertItem(row(m_footerItem), cardItem); // the footer stays last
        setItemWidget(cardItem, card);
    }

    if (infos.size() >= fullPageSize) {
        setLoadState(LoadMore);
        ++m_pageCount;
    } else {
        setLoadState(NoMore);
    }
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
    for (int i = count() - 1; i >= 0; --i) {
        QListWidgetItem *cardItem = item(i);
        if (cardItem == m_footerItem)
            continue;
        removeItemWidget(cardItem); // the view deletes the card
        delete takeItem(i);
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
    if (value == verticalScrollBar()->maximum() && m_loadState == LoadMore) {
        setLoadState(Loading);
        emit signalRequestGroupInfo(m_lessonType, m_pageCount + 1);
    }
}
