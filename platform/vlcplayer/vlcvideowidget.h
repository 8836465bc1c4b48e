#ifndef VLCVIDEOWIDGET_H
#define VLCVIDEOWIDGET_H

#include <QPointer>
#include <QWidget>

class VlcPlayer;

// Paints a VlcPlayer's pictures, whole and centred on black at the widget's size; black before the first one.
class VlcVideoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit VlcVideoWidget(VlcPlayer *player, QWidget *parent = nullptr);

    VlcPlayer *player() const { return m_player; }
    // Pictures painted since the widget was made.
    quint64 paintedCount() const { return m_paintedCount; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<VlcPlayer> m_player;
    quint64 m_paintedCount = 0;
};

#endif // VLCVIDEOWIDGET_H
