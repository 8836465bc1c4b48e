#ifndef HTMLCOURSEVIEW_H
#define HTMLCOURSEVIEW_H

#include "vrek/course/htmlcoursemanager.h"
#include "vrek/course/pagecourseview.h"

class QWebView;

// The page of the center view that shows HTML courseware: the deck in a web view, its page picture under it
// and the drawing board over it. Its signals are its face to the center view.
class HtmlCourseView : public PageCourseView
{
    Q_OBJECT
public:
    explicit HtmlCourseView(QWidget *parent = nullptr, int pollMs = HtmlCourseManager::statusPollMs);
    ~HtmlCourseView() override;

    // On success the tool bar shows the file's name and page; a refused open leaves it as it was.
    bool openHtmlFile(const QString &fileIdAll, const QString &fileName, GlobalEnum::PPMFromType from);
    bool closeHtmlFile();
    bool clearDrawData();

    HtmlCourseManager *manager() const { return m_manager; }
    QWebView *webView() const { return m_webView; }

signals:
    void signalChangeHtmlStep(int pageId, int stepId, GlobalEnum::PPMFromType from);
    void signalChangeHtmlRate(int rate, GlobalEnum::PPMFromType from);
    void signalSetHtmlStep(QString fileIdAll, int pageId, int stepId);
    void signalSetHtmlRate(int rate);
    void signalHtmlScrollAreaMove(int x, int y, GlobalEnum::PPMFromType from);
    void signalHtmlDrawGraph(DrawSignal drawSignal, GlobalEnum::PPMFromType from);
    void signalHtmlDrawGraphAll(PPtMessage message);
    // Connected directly: count arrives as the requester left it and grows by the messages sent.
    void signalSendBoardLate(QString userId, quint32 &count);
    void signalSendHtmlLate(QString userId);

public slots:
    void onLeftButtonClicked() override;
    void onRightButtonClicked() override;
    void onPageComboboxChanged(const QString &text, int index) override;
    void onRationComboboxChanged(const QString &text, double factor) override;

private:
    QWebView *m_webView;
    HtmlCourseManager *m_manager;
};

#endif // HTMLCOURSEVIEW_H
