#ifndef HTMLCOURSEMANAGER_H
#define HTMLCOURSEMANAGER_H

#include "vrek/course/pagecoursemanager.h"

class QLabel;
class QTimer;
class QWebView;

// HTML courseware: a slide deck converted to web pages, opened from its received folder in a web view and
// driven through the deck's own Presentation script (slide and animation step). Until the script answers the
// status poll, page and zoom changes are kept and sent but no script is called; once it answers the deck
// jumps to where it should stand.
class HtmlCourseManager : public PageCourseManager
{
    Q_OBJECT
public:
    static constexpr int statusPollMs = 500;

    // pollMs: how often the deck's script is asked whether it is ready (tests shorten it).
    HtmlCourseManager(
        DrawBoard *board, QWebView *view, QLabel *label, QObject *parent = nullptr, int pollMs = statusPollMs);
    ~HtmlCourseManager() override;

    bool openHtmlFile(const QString &fileIdAll, GlobalEnum::PPMFromType from);
    bool frontHtmlStep(GlobalEnum::PPMFromType from);
    bool nextHtmlStep(GlobalEnum::PPMFromType from);
    bool closeHtmlFile();

    int getStepId() const { return m_stepId; }
    bool isLoaded() const { return m_loaded; }
    QString htmlFile() const { return m_htmlFile; }

    // The deck's entry page in a folder: the first of its own files, by name without regard to case, whose
    // suffix is "html"; empty when there is none.
    static QString findEntryPage(const QString &folder);
    // The number of slides the outline lists; 0 when it cannot be read.
    static int readPageCount(const QString &outlinePath);

public slots:
    bool changeHtmlStep(int pageId, int stepId, GlobalEnum::PPMFromType from);
    bool changeHtmlRate(int rate, GlobalEnum::PPMFromType from);
    void slotSendHtmlLate(const QString &userId);
    // Where a deck that is not shown is to open.
    void slotSetHtmlStep(const QString &fileIdAll, int pageId, int stepId);
    void slotSetHtmlRate(int rate);
    void slotHtmlMsTimeOut();

protected:
    quint32 stepId() const override { return quint32(m_stepId); }
    void storePlace() override;

private:
    QVariant evaluate(const QString &script) const;
    void jumpToAnim(int stepId, int pageId) const;
    void changePlace(int pageId, int stepId, GlobalEnum::PPMFromType from);

    QPointer<QWebView> m_webView;
    QString m_htmlFile;
    QTimer *m_pollTimer;
    int m_stepId = 0;
    bool m_loaded = false;
};

#endif // HTMLCOURSEMANAGER_H
