#ifndef VIDEOSHOWWEBRTC_H
#define VIDEOSHOWWEBRTC_H

#include <QString>
#include <QWidget>

class QImage;
class QLabel;

// The video widget of the WebRTC panel: one picture, stretched to the widget.
class VideoShowWebrtc : public QWidget
{
    Q_OBJECT
public:
    explicit VideoShowWebrtc(QWidget *parent = nullptr);
    ~VideoShowWebrtc() override;

    static QString defaultPicture() { return QStringLiteral(":/image/media/defaultmedia.png"); }

    // Back to the default picture: the first time as the widget's background, later as the picture itself.
    void reset();
    // The frame scaled to the widget, aspect ratio ignored.
    void showImage(const QImage &image);
    QLabel *label() const { return m_label; }

private:
    QLabel *m_label;
    bool m_firstReset = true;
};

#endif // VIDEOSHOWWEBRTC_H
