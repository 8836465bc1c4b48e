#ifndef VIDEOLISTVIEW_H
#define VIDEOLISTVIEW_H

#include "vrek/model/groupinfo.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QWidget>

#include <memory>

class QHBoxLayout;
class QLabel;
class QMovie;
class QPushButton;
class QVBoxLayout;
class TipWidget;
class TransferFilePrompt;
class VideoTreeView;

// The lessons of one recorded series: fetched from the REST client page by page, shown in batches of 10 rows as
// the table is scrolled to its end, reloaded on demand (throttled) and in the other order by time. A lesson's open
// button and the return button go to the owner, the recorded-lessons page.
class VideoListView : public QWidget
{
    Q_OBJECT
public:
    enum ShowEndType {
        EndLoadMore = 0,
        EndLoading = 1,
        EndNoMore = 2,
        EndNetError = 3,
    };
    Q_ENUM(ShowEndType)

    // A server page this long or longer is full: there may be more behind it.
    static constexpr int fullPageSize = 20;
    static constexpr int batchSize = 10;
    // From this height on the first show takes two batches.
    static constexpr int tallHeight = 600;
    // Presses of the refresh button closer together than this are refused.
    static constexpr int refreshIntervalMs = 3000;

    explicit VideoListView(QWidget *parent = nullptr);
    ~VideoListView() override;

    void setGroupInfo(const GroupInfo &info);
    GroupInfo groupInfo() const { return m_groupInfo; }
    void setLoaded(bool loaded) { m_loaded = loaded; }
    bool isLoaded() const { return m_loaded; }
    void requestLessonList(int pageIndex);
    void showLessonList(const QList<GroupInfo> &lessons);

    // Takes the prompt over; dialogs otherwise.
    void setPrompt(TransferFilePrompt *prompt);
    // Tests shorten the refresh throttle; the product keeps 3 s.
    void setRefreshInterval(int ms) { m_refreshIntervalMs = ms; }

    // Reads one lesson of a lessonList reply.
    static GroupInfo lessonFromMap(const QMap<QString, QVariant> &map);

    int endType() const { return m_endType; }
    QString sortText() const { return m_sortText; }
    int pageIndex() const { return m_pageIndex; }
    bool serverPaging() const { return m_serverPaging; }
    QList<GroupInfo> receivedLessons() const { return m_lessons; }
    QString selectedVideoId() const { return m_selectedVideoId; }
    VideoTreeView *treeView() const { return m_treeView; }
    QLabel *footerLabel() const { return m_label; }
    QLabel *tipLabel() const { return m_tipLabel; }
    TipWidget *tipWidget() const { return m_tipWidget; }
    QPushButton *delButton() const { return m_delButton; }
    QPushButton *returnButton() const { return m_returnButton; }
    QPushButton *refreshButton() const { return m_refreshButton; }
    QLabel *courseName() const { return m_courseName; }
    QLabel *courseTime() const { return m_courseTime; }
    QLabel *classSubjectLabel() const { return m_classSubjectLabel; }

signals:
    void signalVideoOpenButtonClicked(GroupInfo info);
    void signalReturnButtonClicked();
    // The session has expired: the application's relogin view starts a relogin with the stored account.
    void signalReLoginOut();

public slots:
    void insertMoreData();
    void setEndType(int type);
    void slotResetSort();
    void slotReviewLessonProtocol(const QString &reply);
    void slotReviewDeleteProtocol(const QString &reply);
    void slotCurrentItemChange(const QString &videoId);
    void slotDelButtonClicked();
    void slotRefresh();
    void slotBottomChange();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildForm();
    void initial();
    // The reload shared by the refresh button and the first show: forget the rows and ask for page 1.
    void reload();
    void addLessons(int from, int to);
    void showNetError();
    void startReLogin();

    // The form.
    QVBoxLayout *m_verticalLayout = nullptr;
    QHBoxLayout *m_titleLayout = nullptr;
    QPushButton *m_returnButton = nullptr;
    QLabel *m_titleLabel = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QHBoxLayout *m_horizontalLayout2 = nullptr;
    QLabel *m_classSubjectLabel = nullptr;
    QLabel *m_courseName = nullptr;
    QPushButton *m_delButton = nullptr;
    QWidget *m_horizontalWidget = nullptr;
    QLabel *m_courseTime = nullptr;
    VideoTreeView *m_treeView = nullptr;
    QLabel *m_label = nullptr;
    QLabel *m_tipLabel = nullptr;

    GroupInfo m_groupInfo;
    QString m_title;
    QString m_subjectName;
    QString m_planBeginTime;
    QString m_planEndTime;
    QString m_selectedVideoId;
    QList<GroupInfo> m_lessons;
    int m_batchIndex = 0;
    int m_pageIndex = 1;
    bool m_serverPaging = true;
    int m_endType = EndLoadMore;
    QString m_sortText = QStringLiteral("0");
    QMutex m_sortMutex;
    bool m_requestFree = true;
    // A reload asked for while a request was open: that request's reply is not the new list.
    bool m_reloadPending = false;
    bool m_loaded = false;
    // A monotonic clock, invalid until the first accepted refresh.
    QElapsedTimer m_lastRefresh;
    int m_refreshIntervalMs = refreshIntervalMs;
    TipWidget *m_tipWidget = nullptr;
    QMovie *m_movie = nullptr;
    std::unique_ptr<TransferFilePrompt> m_prompt;
};

#endif // VIDEOLISTVIEW_H
