#ifndef DEFAULTVIEW_H
#define DEFAULTVIEW_H

#include <QImage>
#include <QLabel>

// A placeholder picture where no video plays, scaled to the label on every resize (aspect ratio ignored).
// Shows nothing until its first resize, and nothing when the picture does not load.
class DefaultView : public QLabel
{
    Q_OBJECT
public:
    explicit DefaultView(const QString &path, QLabel *parent = nullptr);
    ~DefaultView() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage *m_image;
};

#endif // DEFAULTVIEW_H
