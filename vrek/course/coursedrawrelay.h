#ifndef COURSEDRAWRELAY_H
#define COURSEDRAWRELAY_H

#include "vrek/course/strokemerger.h"
#include "vrek/message/drawsignal.h"
#include "vrek/message/pptmessage.h"
#include "vrek/utils/globalenum.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

class DrawBoard;

// What the blank board and the courseware pages share: the drawing board under the tool buttons, the relay of its
// strokes between this client, the classroom server and the pad, thinned by the merge window, and the signals by
// which the views place what is shown. Subclasses say which message a drawing step travels in.
class CourseDrawRelay : public QObject
{
    Q_OBJECT
public:
    ~CourseDrawRelay() override;

    // Tests drive the merge windows.
    void setClock(const StrokeMerger::Clock &clock) { m_merger.setClock(clock); }
    DrawBoard *board() const;

signals:
    // A message for the pad.
    void signalSendPPtMessageOut(PPtMessage message);
    void signalPenColorChange(QString color);
    void signalLineWidthChange(int width);
    // The centre size and the size of what is shown in it.
    void signalCenterSpacerChange(QSize center, QSize content);
    // Where the scroll area is to move, in screen pixels.
    void signalScrollAreaMoveOut(int x, int y);
    void signalSetPageCombox(int pageId, int pageCount);
    void signalSetRateCombox(double factor);

public slots:
    // A tool button's object name.
    void slotDrawButtonClicked(const QString &objectName);
    // A step that arrived from the pad or the classroom server.
    void slotDrawGraphIn(const DrawSignal &drawSignal, GlobalEnum::PPMFromType from);
    // A step drawn on this client's board.
    void slotDrawGraphOut(const DrawSignal &drawSignal);

protected:
    // Wires the board and selects its starting tool: the laser for the lecturer's side, none for others.
    CourseDrawRelay(DrawBoard *board, QObject *parent);

    // The message a drawing step travels in.
    virtual PPtMessage drawMessage(const DrawSignal &drawSignal) const = 0;
    // What the relay's log lines of a function start with.
    virtual QString logPrefix(const char *function) const;

    QPointer<DrawBoard> m_board;

private:
    StrokeMerger m_merger;
};

#endif // COURSEDRAWRELAY_H
