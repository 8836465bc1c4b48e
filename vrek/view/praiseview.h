#ifndef PRAISEVIEW_H
#define PRAISEVIEW_H

#include <QString>
#include <QWidget>

class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;
class QVBoxLayout;

// The see-through notice in the middle of the screen that says whom the teacher praised, and fades out. It
// takes the praise forwards from the classroom connection itself and passes every new count on to the
// participant panel.
class PraiseView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int fadeMs = 3000;
    static constexpr int noticeWidth = 136;
    static constexpr int noticeHeight = 218;

    explicit PraiseView(QWidget *parent = nullptr);
    ~PraiseView() override;

    // Tests shorten the fade; the product fades over three seconds.
    void setFadeDuration(int ms);
    QString text() const;
    qreal opacity() const;

signals:
    void signalPraiseBtnChanged(QString userId, int count);

public slots:
    void readPraiseMessage(QString userId, QString count, QString type);
    void slotAnimationFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void initial();
    void showNotice(const QString &name);
    // Clicks on the notice go to whatever lies under it (the answer card's options often do). Given to the
    // window once it is on the screen: X11 takes it from a window created with it only then.
    void letClicksThrough();

    QLabel *m_imageLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QGraphicsOpacityEffect *m_effect = nullptr;
    QPropertyAnimation *m_animation = nullptr;
};

#endif // PRAISEVIEW_H
