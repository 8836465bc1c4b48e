#ifndef DRAWBOARD_H
#define DRAWBOARD_H

#include "vrek/message/drawsignal.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QWidget>

#include <functional>

class DrawTextEdit;
class GraphSet;
class PointSet;
class QTimer;

// The transparent surface over a courseware page or the blank board. It turns the mouse into shapes of the
// current tool, hands every local step out as a drawing record (at most one per 50 ms of movement), and draws the
// records that arrive. It shows one layer at a time, which its owner gives it and keeps. With no tool it passes
// the mouse on to the widget beneath.
class DrawBoard : public QWidget
{
    Q_OBJECT
public:
    // Milliseconds of a steady clock; the stroke clock reads it.
    using Clock = std::function<qint64()>;

    // Drawing steps are spaced by at least this much mouse movement time.
    static constexpr int stepInterval = 50;

    explicit DrawBoard(QWidget *parent = nullptr);
    ~DrawBoard() override;

    void setClock(const Clock &clock);

    quint32 tool() const { return m_tool; }
    QColor penColor() const { return m_penColor; }
    int penWidth() const { return m_penWidth; }
    float widthFactor() const { return m_widthFactor; }
    double scale() const { return m_scale; }
    QSize defaultSize() const { return m_defaultSize; }
    const QImage &image() const { return m_image; }
    DrawTextEdit *textEdit() const { return m_textEdit; }
    GraphSet *graphSet() const { return m_graphSet; }

signals:
    void drawGraphOut(const DrawSignal &drawSignal);
    void drawText(const QRect &rect);

public slots:
    void onNonePushButtonClicked();
    void onIrregPushButtonClicked();
    void onLinePushButtonClicked();
    void onRectanglePushButtonClicked();
    void onEllipsePushButtonClicked();
    void onLaserPushButtonClicked();
    void onTextPushButtonClicked();
    void onEraserPushButtonClicked();
    void onShapeChange(quint32 index);
    void onColorChange(const QString &name);
    void onLineWidthChange(int width);
    void setDefaultSize(const QSize &size);
    void onRateChange(double rate);
    void setBackgroundColor(const QColor &color);
    // A new empty layer, which the owner then keeps.
    void newGraphSet();
    void setGraphSet(GraphSet *graphSet);
    void redrawGraphSet();
    void onClearPushButtonClicked();
    void onUndoPushButtonClicked();
    void drawGraphIn(const DrawSignal &drawSignal);
    void deleteTextEdit();
    void onTimerOut();
    void textEditFocusChange();
    void textEditContentsChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void selectTool(quint32 tool, Qt::CursorShape cursor, bool commitText, bool removeLaser);
    void commitTextIfTextTool();
    void restoreImage();
    void backUpImage() { m_backupImage = m_image; }
    void remakeImages();
    qint64 strokeElapsed() const;
    void restartStrokeClock();
    void takePen(quint32 kind);
    void paint(quint32 temp);
    void finishShape();
    void eraserStep();
    void emitEraser(quint32 pointSetId);
    void passOn(QMouseEvent *event);
    void openTextEdit(const QPoint &position);
    QPointF toBoard(const QPoint &position) const;

    quint32 m_tool = 0;
    Clock m_clock;
    qint64 m_strokeStart = 0;
    QColor m_penColor;
    QColor m_backgroundColor = Qt::transparent;
    int m_penWidth = 2;
    int m_rawWidth = 2;
    float m_widthFactor = 1.0f;
    PointSet *m_currentShape;
    PointSet *m_drawnShape;
    PointSet *m_remoteShape;
    QSize m_defaultSize { 2000, 1500 };
    QSize m_imageSize { 2000, 1500 };
    GraphSet *m_graphSet = nullptr;
    QImage m_image;
    QImage m_backupImage;
    double m_scale = 1.0;
    QTimer *m_stepTimer;
    bool m_moved = false;
    bool m_pressed = false;
    bool m_textReady = true;
    bool m_leftDown = false;
    bool m_rightDown = false;
    bool m_laserDrag = false;
    DrawTextEdit *m_textEdit = nullptr;
};

#endif // DRAWBOARD_H
