#ifndef QRCODEWIDGET_H
#define QRCODEWIDGET_H

#include <QWidget>

class QGridLayout;
class QLabel;

// The pairing pop-up's content: the pad link's address as a QR code, with a caption to type it by hand.
class QRCodeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QRCodeWidget(QWidget *parent = nullptr);
    ~QRCodeWidget() override;

    void setQRPixmap(const QPixmap &pixmap);
    void setQRText(const QString &text);

    QLabel *qrcodeImage() const { return m_qrcodeimg; }
    QLabel *qrcodeText() const { return m_qrcodetext; }

private:
    void buildForm();

    QLabel *m_borderImg = nullptr;
    QWidget *m_layoutWidget = nullptr;
    QGridLayout *m_gridLayout = nullptr;
    QLabel *m_qrcodeimg = nullptr;
    QLabel *m_qrcodetext = nullptr;
};

#endif // QRCODEWIDGET_H
