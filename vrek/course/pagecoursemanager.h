#ifndef PAGECOURSEMANAGER_H
#define PAGECOURSEMANAGER_H

#include "vrek/container/filegraphsethash.h"
#include "vrek/container/graphtoidhash.h"
#include "vrek/course/coursedrawrelay.h"
#include "vrek/message/drawcontrol.h"

#include <QImage>
#include <QPointer>
#include <QSize>
#include <QString>

class PageGraphSetList;
class QLabel;

// What the HTML and the picture courseware share: a course file of pages shown one at a time as a picture under
// the drawing board, the drawings of every page of every file (kept until cleared), the fit of the page into the
// centre area by the zoom rate, the scroll relay, the late joiner's replay of the drawings, and the rule by which
// page, zoom and open messages reach the class and the pad.
class PageCourseManager : public CourseDrawRelay
{
    Q_OBJECT
public:
    // The zoom rates the page is laid out with, whatever a message asks for (the zoom box offers these too).
    static constexpr int minLayoutRate = 25;
    static constexpr int maxLayoutRate = 400;

    ~PageCourseManager() override;

    // Drops the drawings of every file; a file still open goes on with empty pages.
    bool clearDrawData();

    int getPageId() const { return m_pageId; }
    int getPageCount() const { return m_pageCount; }
    QString fileIdAll() const { return m_fileIdAll; }
    int rate() const { return m_rate; }
    double displayScale() const { return m_displayScale; }
    QSize pageSize() const { return m_pageSize; }
    const FileGraphSetHash &fileGraphSetHash() const { return m_fileGraphSetHash; }
    const GraphToIdHash &graphToIdHash() const { return m_graphToIdHash; }

    // The rate a page is laid out with: 0 as 100, anything else within the bounds above.
    static int layoutRate(int rate);
    // The folder of a received course file of the signed-in user; empty for an id that names no single folder.
    static QString courseFolder(const QString &fileIdAll);

public slots:
    void slotCenterWidgetResize(const QSize &center);
    // x and y in screen pixels from this client's scroll area (2), in page pixels from the pad (0) or the
    // classroom server (1).
    void slotScrollAreaMove(int x, int y, GlobalEnum::PPMFromType from);
    // One replayed drawing of a page of some file.
    void slotReadDrawMsgAll(const PPtMessage &message);
    // Sends every drawing of every file to one user; adds the number of messages sent to count.
    void slotSendDrawMsgAll(const QString &userId, quint32 &count);

protected:
    PageCourseManager(DrawBoard *board, QLabel *label, QObject *parent);

    virtual quint32 stepId() const { return 0; }
    // Writes where the open file stands into the file table.
    virtual void storePlace();

    DrawControl control() const;
    // A message of the open file and place; a zoom message carries the rate.
    PPtMessage message(PPtMessage::PPMType type) const;
    PPtMessage drawMessage(const DrawSignal &drawSignal) const override;
    // Page, zoom and open messages: this client's own changes go to the class and the pad only for the
    // courseware's lecturer, the server's to the pad, the pad's to the class.
    void sendByRule(const PPtMessage &message, GlobalEnum::PPMFromType from);
    // The zoom message that follows a local open of the lecturer.
    void sendOpenRate(const PPtMessage &openMessage, GlobalEnum::PPMFromType from);
    // Keeps a zoom rate and sends it by the rule; the server's is shown in the zoom box first.
    void takeRate(int rate, GlobalEnum::PPMFromType from);
    // The open file and the zoom, to a late joiner.
    void sendPlaceLate(const QString &userId);

    // Makes or finds the page list of the file being opened (m_fileIdAll) with its page count; false, with
    // nothing open afterwards, for a count beyond the bound of the layer tables.
    bool enterFile(int pageCount);
    // After a refused open nothing is open: no page can be turned or drawn on until the next open.
    void leaveFile();
    bool isFileEntered() const { return m_pageList != nullptr; }
    // Stores the board's layer as the current page's and puts the page's layer (a new one if it has none) on
    // the board; the page becomes the current one.
    void switchBoardToPage(int pageId, bool storeLeft);
    void storeCurrentLayer();
    // The fit for the remembered centre size.
    void layOut();

    QPointer<QLabel> m_label;
    QImage m_pagePicture;
    QString m_fileIdAll;
    int m_rate = 100;
    QSize m_pageSize { 0, 0 };
    int m_pageId = 0;
    int m_pageCount = 0;
    FileGraphSetHash m_fileGraphSetHash;
    // A missing picture at a resize is worth a warning (picture decks) or only a debug line (HTML decks).
    bool m_warnPictureMissing = false;
    // The replay to a late joiner names the user in the log (HTML decks).
    bool m_logReplayUser = false;

private:
    PageGraphSetList *m_pageList = nullptr;
    GraphToIdHash m_graphToIdHash;
    QSize m_centerSize { 0, 0 };
    double m_displayScale = 1.0;
    bool m_fitted = false;
};

#endif // PAGECOURSEMANAGER_H
