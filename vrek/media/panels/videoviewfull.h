#ifndef VIDEOVIEWFULL_H
#define VIDEOVIEWFULL_H

#include <QPointer>
#include <QWidget>

class QGridLayout;
class QVBoxLayout;
class TitleView;

// The full-screen host of a media panel: an empty window into which the panel moves one of its views (the video,
// or a default picture) while the user watches full screen. The panel frames it in the common title-bar window
// titled "视频" and shows that frame when asked to. It hosts one widget at a time and owns none.
class VideoViewFull : public QWidget
{
    Q_OBJECT
public:
    // h is the height the panel was made for: the window is at least 11/8 h x 1.5 wide and 1.5 h high
    // (618 x 450 for 300).
    explicit VideoViewFull(const int h, QWidget *parent = nullptr);
    ~VideoViewFull() override;

    static QSize minimumSizeFor(int h);
    // The common title-bar window titled "视频" around this window, which it owns: shown when a widget is hosted,
    // and giving the hosted widget up when its close button is clicked (before the frame's other listeners hear
    // of it).
    TitleView *makeFrame(int titleFlags);
    QWidget *hostedWidget() const { return m_hosted; }

public slots:
    // Hosts vv in place of the widget hosted before, which is hidden, and asks for the frame. Showing vv is the
    // caller's part.
    void setShow(QWidget *vv);
    // Gives up the hosted widget without hiding it.
    void setHide();

signals:
    void signalShowOut();

private:
    void buildForm();

    QGridLayout *m_gridLayout = nullptr;
    QVBoxLayout *m_mainVerticalLayout = nullptr;
    QVBoxLayout *m_videoVerticalLayout = nullptr;
    QPointer<QWidget> m_hosted;
};

#endif // VIDEOVIEWFULL_H
