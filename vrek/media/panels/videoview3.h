#ifndef VIDEOVIEW3_H
#define VIDEOVIEW3_H

#include <QImage>
#include <QString>
#include <QWidget>

class QLabel;

// The meeting's picture-in-picture view, addressed by user id: one user fills the view, a second one may sit
// in the overlay over its bottom-right third, with his name painted on his pictures. A left click on the
// overlay swaps the two. Frames of users it does not hold are dropped (the own user's silently: his preview
// comes whether or not he is shown).
class VideoView3 : public QWidget
{
    Q_OBJECT
public:
    static const char *const noCameraPath;

    explicit VideoView3(QWidget *parent = nullptr);
    ~VideoView3() override;

    void setDefaultImage();
    void setDefaultFlip();
    void setShowMainImage(const QString &userId, bool isStart);
    void setShowSubImage(const QString &userId, bool isStart);
    void showFlipVideoImage();
    bool containsUserId(const QString &userId) const;

    QString mainUserId() const { return m_showMainUserId; }
    QString subUserId() const { return m_showSubUserId; }
    QString subUserName() const { return m_subUserName; }
    bool isFlipped() const { return m_flipped; }
    QLabel *bigLabel() const { return m_bigLabel; }
    QLabel *smallLabel() const { return m_smallLabel; }
    // The name's pixel size on a sub picture for a big label this wide; 0 or less keeps the default font.
    static int namePixelSize(int bigLabelWidth, bool flipped);

public slots:
    void showVideoChangeIn(QString fromUserId, QString toUserId, bool isMain);
    void showVideoImageIn(QString userId, QImage frame);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    void initial();
    // Each side divided by three, rounded.
    static QSize thirdOf(const QSize &size);
    // Strictly right of and below two thirds of the view.
    bool inOverlay(const QPoint &point) const;
    QImage withName(const QImage &frame) const;
    QImage noCamera(const QSize &size) const;

    QLabel *m_bigLabel = nullptr;
    QLabel *m_smallLabel = nullptr;
    QImage m_mainImage;
    QImage m_subImage;
    QString m_showMainUserId;
    QString m_showSubUserId;
    QString m_subUserName;
    bool m_flipped = false;
    bool m_pressed = false;
};

#endif // VIDEOVIEW3_H
