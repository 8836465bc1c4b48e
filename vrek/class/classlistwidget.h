#ifndef CLASSLISTWIDGET_H
#define CLASSLISTWIDGET_H

#include "vrek/model/groupinfo.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QListWidget>
#include <QVector>

class QLabel;
class QListWidgetItem;
class QMovie;
class QTabWidget;

// A scrolling list of course cards, loaded page by page and ended by one footer row that tells the load state.
// It never talks to the network: it asks its owner for pages and is handed the records.
class ClassListWidget : public QListWidget
{
    Q_OBJECT
public:
    enum LoadState {
        LoadMore = 0,
        Loading = 1,
        NoMore = 2,
        NetError = 3,
    };
    // A server page this long or longer is full: there may be more behind it.
    static constexpr int fullPageSize = 20;
    // Cards are built over event-loop turns, at most this long per turn, so a long list never holds the window.
    static constexpr int buildBudgetMs = 20;
    // The first rows always have their cards; further down only the rows in and near the view have one, so a
    // list of any length costs a few screens of cards.
    static constexpr int eagerRows = 100;
    static constexpr int nearRows = 5;

    // A tab of lessons of one kind: its label and the lesson type the server filters on.
    struct Kind
    {
        const char *label;
        const char *lessonType;
    };
    // One page per kind, added to the tabs in order.
    static QList<ClassListWidget *> addPages(QTabWidget *tabs, const QVector<Kind> &kinds, int cardMode);
    static QList<ClassListWidget *> pagesOf(const QTabWidget *tabs);

    ClassListWidget(const QString &lessonType, int cardMode, QWidget *parent = nullptr);
    ~ClassListWidget() override;

    QString lessonType() const { return m_lessonType; }
    int cardMode() const { return m_cardMode; }
    int pageCount() const { return m_pageCount; }
    int loadState() const { return m_loadState; }
    QString footerText() const;
    bool footerAnimating() const;
    // The cards, in row order (the footer is not one).
    QList<class ClassInfoWidget *> cards() const;
    // Rows of the first eagerRows whose cards are not built yet.
    int pendingCount() const { return qMin(m_recordCount, int(eagerRows)) - m_builtRows; }
    // The lesson of a row, with or without its card.
    GroupInfo recordAt(int row) const;

    void addClassInfos(const QList<GroupInfo> &infos);
    void refreshClassInfos();
    void clearClassInfos();
    void getClassError();
    void setLoadState(int state);

    // The time the enter window of the cards is measured against: the local clock, moved by the offset that
    // start-up found when the local clock is out of step with network time.
    static QDateTime referenceTime();

signals:
    void signalRequestGroupInfo(QString lessonType, int pageIndex);
    void signalEnterButtonClicked(GroupInfo info);
    // Every row of the first eagerRows has its card.
    void cardsShown();

public slots:
    void slotVerticalBarChanged(int value);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Builds pending cards of the first rows for the turn's budget, but at least the given number, then the
    // cards in view.
    void buildCards(int atLeast = 0);
    void buildCard(int row);
    void releaseCard(int row);
    void updateVisibleCards();

    QString m_lessonType;
    int m_cardMode;
    int m_pageCount = 0;
    int m_loadState = LoadMore;
    QListWidgetItem *m_footerItem = nullptr;
    QLabel *m_footerLabel = nullptr;
    QMovie *m_movie = nullptr;
    // The records of the card rows, as handed over: each batch with its first row and reference time.
    struct Batch
    {
        int firstRow;
        QList<GroupInfo> infos;
        QDateTime reference;
    };
    QVector<Batch> m_batches;
    int m_recordCount = 0;
    const Batch &batchOf(int row) const;
    // The first rows are built in order: how many of them have their card.
    int m_builtRows = 0;
    // Rows past the first whose card is built.
    QSet<int> m_lazyRows;
    class QTimer *m_buildTimer = nullptr;
};

#endif // CLASSLISTWIDGET_H
