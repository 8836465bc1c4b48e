#ifndef TOOLVIEW_H
#define TOOLVIEW_H

#include <QWidget>

class NetFlow;
class PadTcpManager;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRCodeWidget;
class QVBoxLayout;
class SettingConfig;
class TitleView;

// The bar at the foot of the class window: device check, the class screen lock, pad pairing, the state of the
// classroom connection and the upload and download rates. It owns the pad link and its pairing pop-up; the
// class window starts the pad server through getPadTcpManager.
class ToolView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int barHeight = 30;
    static constexpr int qrCodeSide = 235;
    static constexpr int pairingTitleFlags = 70;

    explicit ToolView(QWidget *parent = nullptr);
    ~ToolView() override;

    void sendLateState(const QString &pid);
    PadTcpManager *getPadTcpManager() const { return m_padTcpManager; }

    // What the pairing pop-up shows for a server state: the QR code's text and the caption to type by hand.
    static void pairingTexts(
        quint16 port, const QString &ipAddress, const QString &ipNumber, QString &content, QString &caption);
    // A rate in kilo units per second as the bar shows it ("56Kbps", "0.5Mbps", "100Kbps").
    static QString rateText(double rate);

    bool isLocked() const { return m_isLock; }
    TitleView *pairingFrame() const { return m_qrTitle; }
    QRCodeWidget *qrCodeWidget() const { return m_qrCodeWidget; }

signals:
    void devSetSignal();

public slots:
    void newPadConnectIn(uchar type);
    void disPadConnectIn(uchar type);
    void sendLockScreen();
    void slotNetFlowChange(double up, double down);
    void slotNetworkStateChange(bool dropped, const QString &text);
    void padConnectSlot();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    void initial();
    void repolish(QWidget *widget);

    // The form.
    QHBoxLayout *m_horizontalLayout = nullptr;
    QPushButton *m_devSetBtn = nullptr;
    QPushButton *m_lockScreenBtn = nullptr;
    QPushButton *m_padConnectBtn = nullptr;
    QLabel *m_netStateLabel = nullptr;
    QVBoxLayout *m_verticalLayout = nullptr;
    QHBoxLayout *m_upLayout = nullptr;
    QLabel *m_upImage = nullptr;
    QLabel *m_upSpeed = nullptr;
    QHBoxLayout *m_downLayout = nullptr;
    QLabel *m_downImage = nullptr;
    QLabel *m_downSpeed = nullptr;

    bool m_isLock = false;
    NetFlow *m_netFlow = nullptr;
    PadTcpManager *m_padTcpManager = nullptr;
    QRCodeWidget *m_qrCodeWidget = nullptr;
    TitleView *m_qrTitle = nullptr;
    SettingConfig &m_setting;
};

#endif // TOOLVIEW_H
