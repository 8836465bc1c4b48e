#include "vrek/course/htmlcoursemanager.h"

#include "vrek/course/localcontentaccessmanager.h"
#include "vrek/paint/drawboard.h"

#include <QDebug>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTimer>
#include <QUrl>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>
#include <QWebView>

namespace {
const char *const outlinePath = "/data/pres/outline.xml";
const char *const picturePath = "/data/pres/sb1.jpg";
} // namespace

HtmlCourseManager::HtmlCourseManager(DrawBoard *board, QWebView *view, QLabel *label, QObject *parent, int pollMs)
    : PageCourseManager(board, label, parent)
    , m_webView(view)
    , m_pollTimer(new QTimer(this))
{
    m_logReplayUser = true;
    view->setEnabled(false);
    QWebSettings::setMaximumPagesInCache(0);
    // A shared deck is not trusted: no plugins, and its local pages reach no remote address.
    view->page()->setNetworkAccessManager(new LocalContentAccessManager(view->page()));
    QWebSettings *settings = view->settings();
    settings->setAttribute(QWebSettings::PluginsEnabled, false);
    settings->setAttribute(QWebSettings::JavaEnabled, false);
    settings->setAttribute(QWebSettings::LocalContentCanAccessRemoteUrls, false);
    m_pollTimer->setInterval(pollMs);
    connect(m_pollTimer, &QTimer::timeout, this, &HtmlCourseManager::slotHtmlMsTimeOut);
}

HtmlCourseManager::~HtmlCourseManager()
{
    m_pollTimer->stop();
}

QString HtmlCourseManager::findEntryPage(const QString &folder)
{
    const QFileInfoList files
        = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        if (file.suffix() == QLatin1String("html"))
            return file.absoluteFilePath();
    }
    return QString();
}

int HtmlCourseManager::readPageCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    QDomDocument document;
    document.setContent(QString::fromUtf8(file.readAll()));
    // The first node is the XML declaration; the root follows it. Without a declaration there is no second node.
    const QDomNodeList topNodes = document.childNodes();
    if (topNodes.size() < 2)
        return 0;
    const QDomNodeList slides = topNodes.at(1).childNodes();
    int count = 0;
    for (int i = 0; i < slides.size(); ++i) {
        const QDomNode node = slides.at(i);
        if (!(node.isText() && node.nodeValue().trimmed().isEmpty()))
            ++count;
    }
    return count;
}

QVariant HtmlCourseManager::evaluate(const QString &script) const
{
    if (!m_webView)
        return QVariant();
    return m_webView->page()->mainFrame()->evaluateJavaScript(script);
}

void HtmlCourseManager::jumpToAnim(int stepId, int pageId) const
{
    evaluate(QStringLiteral("Presentation.JumpToAnim(%1, %2)").arg(stepId).arg(pageId + 1));
}

void HtmlCourseManager::storePlace()
{
    PageCourseManager::storePlace();
    m_fileGraphSetHash.setStepId(m_fileIdAll, quint32(m_stepId));
}

bool HtmlCourseManager::openHtmlFile(const QString &fileIdAll, GlobalEnum::PPMFromType from)
{
    qInfo() << "fileIdAll:" << fileIdAll << "from:" << from;
    m_fileIdAll = fileIdAll;
    const QString folder = courseFolder(fileIdAll);
    const QString entryPage = folder.isEmpty() ? QString() : findEntryPage(folder);
    if (entryPage.isEmpty()) {
        qWarning() << "htmlFile is null!";
        leaveFile();
        return false;
    }
    const QImage picture(folder + picturePath);
    if (picture.size().isEmpty()) {
        qWarning() << "htmlSize = 0!";
        leaveFile();
        return false;
    }
    const int pageCount = readPageCount(folder + outlinePath);
    if (pageCount == 0) {
        qWarning() << "pageCount = 0!";
        leaveFile();
        return false;
    }
    if (!enterFile(pageCount)) {
        qWarning() << "pageCount error! pageCount:" << pageCount;
        leaveFile();
        return false;
    }
    m_htmlFile = entryPage;
    m_pagePicture = picture;
    m_pageSize = picture.size();
    if (m_board)
        m_board->setDefaultSize(m_pageSize);
    int pageId = int(m_fileGraphSetHash.selectPageId(fileIdAll));
    int stepId = int(m_fileGraphSetHash.selectStepId(fileIdAll));
    if (pageId < 0 || pageId >= pageCount) {
        qWarning() << "the remembered pageId error! pageId:" << pageId << "pageCount:" << pageCount;
        pageId = 0;
        stepId = 0;
    }
    m_stepId = stepId;
    switchBoardToPage(pageId, false);
    storePlace();

    const PPtMessage openMessage = message(PPtMessage::OpenFile);
    sendByRule(openMessage, from);
    sendOpenRate(openMessage, from);

    m_loaded = false;
    if (m_webView) {
        // The page before answers no status poll for the new one.
        m_webView->setUrl(QUrl(QStringLiteral("about:blank")));
        m_webView->load(QUrl::fromLocalFile(m_htmlFile));
    }
    m_pollTimer->start();
    layOut();
    return true;
}

bool HtmlCourseManager::closeHtmlFile()
{
    if (isFileEntered())
        storeCurrentLayer();
    else
        qWarning() << "no deck open! fileIdAll:" << m_fileIdAll;
    if (m_webView)
        m_webView->setUrl(QUrl(QStringLiteral("about:blank")));
    m_pollTimer->stop();
    return true;
}

void HtmlCourseManager::slotHtmlMsTimeOut()
{
    if (!evaluate(QStringLiteral("Presentation.CurrentStatus()")).isValid()) {
        qDebug() << "Invalid res";
        return;
    }
    m_pollTimer->stop();
    m_loaded = true;
    jumpToAnim(int(m_fileGraphSetHash.selectStepId(m_fileIdAll)), int(m_fileGraphSetHash.selectPageId(m_fileIdAll)));
    layOut();
}

void HtmlCourseManager::changePlace(int pageId, int stepId, GlobalEnum::PPMFromType from)
{
    if (pageId != m_pageId)
        switchBoardToPage(pageId, true);
    m_stepId = stepId;
    storePlace();
    sendByRule(message(PPtMessage::PageChange), from);
}

bool HtmlCourseManager::changeHtmlStep(int pageId, int stepId, GlobalEnum::PPMFromType from)
{
    if (pageId < 0 || pageId >= m_pageCount || !isFileEntered()) {
        qWarning() << "pageId:" << pageId << "pageCount:" << m_pageCount;
        return false;
    }
    const bool backOneStep = pageId == m_pageId && stepId + 1 == m_stepId;
    if (from == GlobalEnum::PPMServer)
        emit signalSetPageCombox(pageId, m_pageCount);
    changePlace(pageId, stepId, from);
    if (m_loaded) {
        if (backOneStep)
            evaluate(QStringLiteral("Presentation.Prev()"));
        else
            jumpToAnim(stepId, pageId);
    }
    return true;
}

bool HtmlCourseManager::frontHtmlStep(GlobalEnum::PPMFromType from)
{
    if (!isFileEntered()) {
        qWarning() << "no deck open!";
        return false;
    }
    bool ok = false;
    evaluate(QStringLiteral("Presentation.ClickCount()")).toUInt(&ok);
    if (!ok) {
        qWarning() << "Presentation.ClickCount() toUInt failed!";
        return false;
    }
    int pageId = m_pageId;
    int stepId = m_stepId;
    if (stepId > 0) {
        --stepId;
    } else if (pageId > 0) {
        --pageId;
        stepId = 0;
    } else {
        qWarning() << "pageId <= 0!";
        return false;
    }
    changePlace(pageId, stepId, from);
    if (stepId > 0)
        evaluate(QStringLiteral("Presentation.Prev()"));
    else
        jumpToAnim(0, pageId);
    return true;
}

bool HtmlCourseManager::nextHtmlStep(GlobalEnum::PPMFromType from)
{
    if (!isFileEntered()) {
        qWarning() << "no deck open!";
        return false;
    }
    bool ok = false;
    const uint count = evaluate(QStringLiteral("Presentation.ClickCount()")).toUInt(&ok);
    if (!ok) {
        qDebug() << "Presentation.ClickCount() toUInt failed!";
        return false;
    }
    int pageId = m_pageId;
    int stepId = m_stepId;
    if (uint(stepId) < count) {
        ++stepId;
    } else if (pageId + 1 >= m_pageCount) {
        qDebug() << "pageId >= pageCount!";
        return false;
    } else {
        ++pageId;
        stepId = 0;
    }
    changePlace(pageId, stepId, from);
    jumpToAnim(stepId, pageId);
    return true;
}

bool HtmlCourseManager::changeHtmlRate(int rate, GlobalEnum::PPMFromType from)
{
    takeRate(rate, from);
    if (m_loaded)
        layOut();
    return true;
}

void HtmlCourseManager::slotSendHtmlLate(const QString &userId)
{
    sendPlaceLate(userId);
}

void HtmlCourseManager::slotSetHtmlStep(const QString &fileIdAll, int pageId, int stepId)
{
    m_fileGraphSetHash.setPageId(fileIdAll, quint32(pageId));
    m_fileGraphSetHash.setStepId(fileIdAll, quint32(stepId));
}

void HtmlCourseManager::slotSetHtmlRate(int rate)
{
    m_rate = rate;
}
