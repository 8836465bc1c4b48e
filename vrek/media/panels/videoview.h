#ifndef VIDEOVIEW_H
#define VIDEOVIEW_H

#include <QImage>
#include <QString>
#include <QWidget>

class QGridLayout;
class QLabel;
class QStackedLayout;

// The picture-in-picture video of the RTMP classroom panel: the main stream (the lecturer) fills the widget, a
// sub stream (whoever is on stage) sits in an overlay over its bottom-right third with that person's name
// painted on, and a left click on the overlay swaps the two. It never talks to the network: its owner says when
// the streams start and end and hands it every decoded frame. The last frame of each stream is kept unscaled,
// so a resize or a swap redraws at once.
class VideoView : public QWidget
{
    Q_OBJECT
public:
    explicit VideoView(QWidget *parent = nullptr);
    ~VideoView() override;

    static QString defaultPicture() { return QStringLiteral(":/image/media/defaultmedia.png"); }
    static QString noCameraPicture() { return QStringLiteral(":/image/media/nocamera.png"); }
    // The pixel size of the name on a sub frame for a big picture that wide: smaller where the sub picture is
    // big (flipped). Zero or less keeps the default font size.
    static int namePixelSize(int bigWidth, bool flipped);

    // The idle picture; stops both streams and undoes a swap.
    void setDefaultImage();
    void setMainImageStart();
    void setSubImageStart(const QString &name);
    // The overlay goes; a swapped view shows the main picture big again.
    void setSubImageEnd();
    void setDefaultFlip();
    void showFlipVideoImage();

    bool isMainStarted() const { return m_mainStarted; }
    bool isSubStarted() const { return m_subStarted; }
    bool isFlipped() const { return m_flipped; }
    QString subName() const { return m_subName; }
    QLabel *bigLabel() const { return m_bigLabel; }
    QLabel *smallLabel() const { return m_smallLabel; }

public slots:
    // One decoded frame of the main (true) or the sub stream; dropped while no main stream runs.
    void showVideoImage(bool isMain, QImage frame);

protected:
    // The swap: a left press and release inside the overlay; a drag in between cancels it. Every event goes on
    // to the parent as well.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    void initial();
    // Each side divided by 3, rounded.
    static QSize thirdOf(const QSize &size);
    bool inOverlay(const QPoint &point) const;
    static void showScaled(
        QLabel *label, const QImage &image, const QSize &size, Qt::TransformationMode mode = Qt::SmoothTransformation);
    QImage namedSubFrame(const QImage &frame) const;

    QWidget *m_videoWidget = nullptr;
    QStackedLayout *m_stackedLayout = nullptr;
    QWidget *m_overlay = nullptr;
    QGridLayout *m_overlayLayout = nullptr;
    QLabel *m_bigLabel = nullptr;
    QLabel *m_smallLabel = nullptr;

    QImage m_mainImage;
    QImage m_subImage;
    QString m_subName;
    bool m_mainStarted = false;
    bool m_subStarted = false;
    bool m_flipped = false;
    bool m_pressed = false;
};

#endif // VIDEOVIEW_H
