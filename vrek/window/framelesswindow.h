#ifndef FRAMELESSWINDOW_H
#define FRAMELESSWINDOW_H

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QWidget>

// A top-level window without the system's frame that draws its own border and shadow and still behaves like a
// framed one: resizing at its edges, dragging by its title bar, maximise and full screen.
class FramelessWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int resizeBorder = 8;

    explicit FramelessWindow(bool translucent, QWidget *parent = nullptr);
    ~FramelessWindow() override;

public slots:
    virtual bool isFullScreenFlag() const;
    virtual void showFullScreen();
    virtual void showMaximized();
    virtual void showNormal();
    virtual void setStayOnTop(bool stayOnTop);
    virtual bool isStayOnTop() const;
    virtual void setResizable(bool resizable);
    virtual bool isResizable() const;
    virtual void setMaximizable(bool maximizable);
    virtual bool isMaximizable() const;
    virtual void setMinimizable(bool minimizable);
    virtual bool isMinimizable() const;
    virtual void setTitleDraggable(bool draggable);
    virtual bool isTitleDraggable() const;
    virtual bool isTranslucent() const;
    virtual void setTitleBar(QWidget *titleBar);
    virtual void setBackgroundColor(const QColor &color);
    virtual QColor backgroundColor() const;
    virtual void setBorderColor(const QColor &color);
    virtual QColor borderColor() const;
    virtual void setShadowWidth(int width);
    virtual int shadowWidth() const;
    virtual void addCaptionWidget(QWidget *widget);
    virtual void addCaptionWidgets(const QList<QWidget *> &widgets);

    void onTitleWidgetDestroyed(QObject *object);

public:
    QWidget *titleBar() const { return m_titleBar; }
    // What a press at a global point would do; the frame's mouse handling and the tests use it.
    int hitTest(const QPoint &globalPoint) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A double click on the caption; maximises or restores unless the window may not maximise.
    virtual void captionDoubleClicked();

private:
    bool startDrag(int hit, const QPoint &globalPos);
    void dragTo(const QPoint &globalPos);
    void updateCursor(int hit);
    void liftFixedSize();
    void restoreFixedSize();

    QWidget *m_titleBar = nullptr;
    QSet<QWidget *> m_captionWidgets;
    QColor m_backgroundColor { Qt::white };
    QColor m_borderColor { 95, 95, 95 };
    bool m_stayOnTop = false;
    bool m_resizable = true;
    bool m_maximizable = true;
    bool m_minimizable = true;
    bool m_titleDraggable = true;
    bool m_translucent;
    int m_shadowWidth = 8;
    bool m_savedResizable = true;
    bool m_savedTitleDraggable = true;
    bool m_wasMaximized = false;
    bool m_fullScreenFlag = false;
    QRect m_savedGeometry;
    // The fixed size put aside while maximised or full screen; invalid when none is.
    QSize m_liftedFixedSize;

    // A move or resize the window manager would not take, done by hand.
    int m_dragHit = 0;
    QPoint m_dragStart;
    QRect m_dragGeometry;
};

#endif // FRAMELESSWINDOW_H
