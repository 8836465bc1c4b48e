#ifndef VIDEOBACKVIEW_H
#define VIDEOBACKVIEW_H

#include "vrek/model/groupinfo.h"

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

class ClassListWidget;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QVBoxLayout;
class TipWidget;
class TitleView;
class TransferRecordView;
class UploadButton;
class VideoListView;
class VideoPlayView;

// The recorded-lessons page of the course-list window: one tab of recorded series per kind of lesson, fed page
// by page from the REST client; a series' list button turns the page to that series' lessons, and a lesson's
// open button plays it in the player window while the course-list window hides. It also owns the window of
// local screen recordings and follows the course-list window's show and close with their uploads.
class VideobackView : public QWidget
{
    Q_OBJECT
public:
    enum Face {
        SeriesFace = 0,
        LessonFace = 1,
    };
    // Presses of the refresh button closer together than this are refused.
    static constexpr int refreshIntervalMs = 4000;
    // The frames' title-bar flag words: the recordings window and the player.
    static constexpr int recordFrameFlags = 70;
    static constexpr int playerFrameFlags = 64;

    explicit VideobackView(QWidget *parent = nullptr);
    ~VideobackView() override;

    // Tests shorten the refresh throttle; the product keeps 4 s.
    void setRefreshInterval(int ms) { m_refreshIntervalMs = ms; }

    void setClassListError();
    void clearAllLists();
    void refreshCurrentTab();
    void setRecordUpload(bool shown);

    // Reads one series of a courseReview reply.
    static GroupInfo seriesFromMap(const QMap<QString, QVariant> &map);

    QList<ClassListWidget *> pages() const;
    QTabWidget *tabWidget() const { return m_tabWidget; }
    QStackedWidget *stackedWidget() const { return m_stackedWidget; }
    UploadButton *uploadButton() const { return m_uploadButton; }
    QPushButton *refreshButton() const { return m_pushButton; }
    TipWidget *tipWidget() const { return m_tipWidget; }
    TransferRecordView *recordView() const { return m_recordView; }
    TitleView *recordFrame() const { return m_recordFrame; }
    VideoListView *videoListView() const { return m_videoListView; }
    VideoPlayView *videoPlayView() const { return m_videoPlayView; }
    TitleView *playFrame() const { return m_playFrame; }

signals:
    // The session has expired: the application's relogin view starts a relogin with the stored account.
    void signalReLoginOut();

public slots:
    void slotUploadButtonClicked();
    void slotEnterClassButtonClicked(const GroupInfo &info);
    void slotVideoOpenButtonClicked(const GroupInfo &info);
    void slotTabWidgetTabChanged(int index);
    void slotReviewCourseProtocol(const QString &reply);
    void slotRequestGroupInfo(const QString &lessonType, int pageIndex);
    void slotReturnButtonClicked();
    void slotShow();
    void slotRefreshButtonClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildForm();
    void initial();
    void addPages();
    ClassListWidget *pageAt(int index) const;
    void startReLogin();

    // The form.
    QHBoxLayout *m_horizontalLayout = nullptr;
    QStackedWidget *m_stackedWidget = nullptr;
    QHBoxLayout *m_titleLayout = nullptr;
    QLabel *m_titleLabel = nullptr;
    QPushButton *m_pushButton = nullptr;
    UploadButton *m_uploadButton = nullptr;
    QTabWidget *m_tabWidget = nullptr;
    QVBoxLayout *m_verticalLayout3 = nullptr;

    TransferRecordView *m_recordView = nullptr;
    TitleView *m_recordFrame = nullptr;
    VideoListView *m_videoListView = nullptr;
    VideoPlayView *m_videoPlayView = nullptr;
    TitleView *m_playFrame = nullptr;
    TipWidget *m_tipWidget = nullptr;
    // A monotonic clock, invalid until the first accepted refresh.
    QElapsedTimer m_lastRefresh;
    int m_refreshIntervalMs = refreshIntervalMs;
};

#endif // VIDEOBACKVIEW_H
