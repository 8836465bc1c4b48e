#ifndef CLASSLISTWIDGET_H
#define CLASSLISTWIDGET_H

#include "vrek/model/groupinfo.h"

#include <QDateTime>
#include <QList>
#include <QListWidget>
#include <QVector>

class QLabel;
class QListWidgetItem;
class QMovie;

// A scrolling list of course cards, loaded page by page and ended by one footer row that tells the load state.
// It never talks to the network: it asks its owner for pages and is handed the records.
class QTabWidget;

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

public slots:
    void slotVerticalBarChanged(int value);

private:
    QString m_lessonType;
    int m_cardMode;
    int m_pageCount = 0;
    int m_loadState = LoadMore;
    QListWidgetItem *m_footerItem = nullptr;
    QLabel *m_footerLabel = nullptr;
    QMovie *m_movie = nullptr;
};

#endif // CLASSLISTWIDGET_H
