#ifndef DRAWCOURSEMANAGER_H
#define DRAWCOURSEMANAGER_H

#include "vrek/course/coursedrawrelay.h"

#include <QSize>

class GraphSet;

// The blank board: one white drawing board that fills the centre area, with one layer for the whole lesson. It
// relays the board's strokes (live board messages, kind 6) and replays the whole board to a late joiner (kind 7).
// It has no scroll, page or zoom to announce: of the views' signals it sends only the centring.
class DrawCourseManager : public CourseDrawRelay
{
    Q_OBJECT
public:
    // The board size that fills the centre area at rate 1.
    static constexpr int baseWidth = 937;
    static constexpr int baseHeight = 704;

    explicit DrawCourseManager(DrawBoard *board, QObject *parent = nullptr);
    ~DrawCourseManager() override;

    // Empties the board's layer and redraws it.
    bool clearBoard();

    double rate() const { return m_rate; }
    GraphSet *graphSet() const { return m_graphSet; }

public slots:
    void slotCenterWidgetResize(const QSize &center);
    // One message of a received replay.
    void slotReadDrawMsgAll(const PPtMessage &message);
    // Sends the whole board to one user; count becomes the number of messages sent.
    void slotSendDrawMsgAll(const QString &userId, quint32 &count);

protected:
    PPtMessage drawMessage(const DrawSignal &drawSignal) const override;
    QString logPrefix(const char *function) const override;

private:
    GraphSet *m_graphSet = nullptr;
    const QSize m_baseSize { baseWidth, baseHeight };
    QSize m_centerSize { 0, 0 };
    double m_rate = 1.0;
    int m_zoom = 100;
};

#endif // DRAWCOURSEMANAGER_H
