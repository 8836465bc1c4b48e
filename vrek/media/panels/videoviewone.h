#ifndef VIDEOVIEWONE_H
#define VIDEOVIEWONE_H

#include <QImage>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// One tile of the meeting strip: the pictures of one user, addressed by nothing but the frames it is handed.
// Shows the no-camera picture until a user's first frame, and keeps the last picture unscaled so that a resize
// redraws it at once.
class VideoViewOne : public QWidget
{
    Q_OBJECT
public:
    static const char *const noCameraPath;

    explicit VideoViewOne(QWidget *parent = nullptr);
    ~VideoViewOne() override;

    void setDefaultImage();
    QString currentShowId() const { return m_currentShowId; }
    bool isShowing() const { return m_showing; }
    QLabel *pictureLabel() const { return m_label; }
    QPushButton *audioButton() const { return m_audioButton; }

signals:
    void mouseClickedOut(QString userId);
    void playAudioClickedOut(QString userId, bool playing);

public slots:
    void startShowImageIn(QString userId);
    void stopShowImageIn();
    void showVideoImageIn(QImage frame);
    void playAudioClickedIn();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void buildForm();
    void initial();

    QLabel *m_label = nullptr;
    QPushButton *m_audioButton = nullptr;
    QImage m_currentImage;
    QImage m_noCameraImage;
    QString m_currentShowId;
    bool m_showing = false;
    bool m_pressed = false;
    bool m_playing = false;
};

#endif // VIDEOVIEWONE_H
