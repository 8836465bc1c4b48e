#ifndef HOMEWORKWIDGET_H
#define HOMEWORKWIDGET_H

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class ClassTipMessage;
class QFile;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QWebPage;
class QWebView;
class TitleView;
class TransferFilePrompt;

// The homework page of the course-list window: the school site's homework list for the signed-in student in a web
// view. The site's not-found page is replaced by a picture of our own, and attachments the page links to are saved
// where the student chooses, one at a time, with a small progress window.
class HomeworkWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr int tipFrameFlags = 70;
    // The progress tip hides this many seconds after the end of a download.
    static constexpr unsigned int progressTipSeconds = 2;

    explicit HomeworkWidget(QWidget *parent = nullptr);
    ~HomeworkWidget() override;

    // Takes the prompt over; the save dialog otherwise.
    void setPrompt(TransferFilePrompt *prompt);

    // "<web host>/homework/pc_s_course_list.html?userId=..&loginSignId=.." of the session.
    static QUrl pageUrl();
    // The address of the site's not-found page.
    static QUrl notFoundUrl();
    // Where the first save dialog starts: the desktop folder, or the home folder where there is none.
    static QString desktopFolder();
    // The save dialog's caption "SaveAs", in the user's language where a translation is installed.
    static QString saveCaption();

    QWebView *webView() const { return m_homeworkWebView; }
    QLabel *errorLabel() const { return m_errorLabel; }
    ClassTipMessage *tipMessage() const { return m_tipMessage; }
    TitleView *tipFrame() const { return m_tipFrame; }
    QUrl homeworkUrl() const { return m_homeworkUrl; }
    bool loadOnShow() const { return m_loadOnShow; }
    QString saveFolder() const { return m_saveFolder; }
    bool isDownloading() const;

public slots:
    void slotUnsupportedContent(QNetworkReply *reply);
    void slotStartDownload(const QString &fileName, const QUrl &url);
    void slotOnDownloadProgress(qint64 received, qint64 total);
    void slotOn_readyRead();
    void slotReplyFinished(QNetworkReply *reply);
    void slotUploadReplyFinished(QNetworkReply *reply);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildForm();
    // Ends the running download, if any, and removes what it wrote.
    void abandonDownload();
    void removeDownloadFile();
    void showFailure();

    QWebView *m_homeworkWebView = nullptr;
    QLabel *m_errorLabel = nullptr;
    QWebPage *m_page = nullptr;
    QNetworkAccessManager *m_pageManager = nullptr;
    QNetworkAccessManager *m_downloadManager = nullptr;
    QPointer<QNetworkReply> m_downloadReply;
    QFile *m_downloadFile = nullptr;
    ClassTipMessage *m_tipMessage = nullptr;
    TitleView *m_tipFrame = nullptr;
    // The progress frame was shown for the running download.
    bool m_progressShown = false;
    std::unique_ptr<TransferFilePrompt> m_prompt;

    QUrl m_homeworkUrl;
    bool m_loadOnShow = true;
    bool m_askDesktopFolder = true;
    // The folder of the last saved attachment, with a trailing "/".
    QString m_saveFolder;
};

#endif // HOMEWORKWIDGET_H
