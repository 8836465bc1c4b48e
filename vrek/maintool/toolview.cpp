#include "vrek/maintool/toolview.h"

#include "platform/qrcode/qrcodebuild.h"
#include "vrek/maintool/netflow.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/qrcodewidget.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/window/titleview.h"

#include <QDebug>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const char *const lockForward = "2"; // the forward type of the screen lock
const char *const normalState = "正常";
const char *const padConnectedStyle = "border-image: url(:/vrek/image/toolview/padconnect-4.png);";
const char *const padGoneStyle = "border-image: url(:/vrek/image/toolview/padconnect-3.png);";
const char *const qrErrorPicture = ":/vrek/image/toolview/qrerror.png";

const char *const devSetStyle = "QPushButton{border-image:url(:/vrek/image/toolview/set-1.png);}"
                                "QPushButton:hover{border-image:url(:/vrek/image/toolview/set-2.png);}"
                                "QPushButton:pressed{border-image:url(:/vrek/image/toolview/set-2.png);"
                                "color:rgb(200,200,200);}";
const char *const lockStyle = "QPushButton{border-image:url(:/vrek/image/toolview/lock-1.png);}"
                              "QPushButton[lock=\"false\"]{border-image:url(:/vrek/image/toolview/lock-1.png);}"
                              "QPushButton[lock=\"false\"]:hover{border-image:url(:/vrek/image/toolview/lock-2.png);}"
                              "QPushButton[lock=\"true\"]{border-image:url(:/vrek/image/toolview/lock-3.png);}"
                              "QPushButton[lock=\"true\"]:hover,QPushButton[lock=\"true\"]:checked{"
                              "border-image:url(:/vrek/image/toolview/lock-4.png);}";
const char *const padStyle = "QPushButton{border-image:url(:/vrek/image/toolview/padconnect-1.png);}"
                             "QPushButton:hover,QPushButton:checked{"
                             "border-image:url(:/vrek/image/toolview/padconnect-2.png);}";
const char *const speedStyle = "QLabel{font:10px Arial;color:#666666;}";
} // namespace

ToolView::ToolView(QWidget *parent)
    : QWidget(parent)
    , m_setting(SettingConfig::getSetting())
{
    qInfo() << "ToolView::ToolView ";
    buildForm();
    initial();
}

ToolView::~ToolView()
{
    qInfo() << "ToolView::~ToolView ";
    // The pairing frame is a window of its own and takes the QR widget with it.
    delete m_qrTitle;
}

void ToolView::buildForm()
{
    setObjectName("ToolView");
    setWindowTitle("ToolView");
    resize(322, 69);
    m_horizontalLayout = new QHBoxLayout(this);
    m_horizontalLayout->setObjectName("horizontalLayout");
    m_horizontalLayout->setSpacing(12);
    m_horizontalLayout->setContentsMargins(4, 0, 0, 0);

    m_devSetBtn = new QPushButton(this);
    m_devSetBtn->setObjectName("devSetBtn");
    m_devSetBtn->setStyleSheet(QString::fromLatin1(devSetStyle));
    m_lockScreenBtn = new QPushButton(this);
    m_lockScreenBtn->setObjectName("lockScreenBtn");
    m_lockScreenBtn->setStyleSheet(QString::fromLatin1(lockStyle));
    m_padConnectBtn = new QPushButton(this);
    m_padConnectBtn->setObjectName("padConnectBtn");
    m_padConnectBtn->setStyleSheet(QString::fromLatin1(padStyle));
    m_horizontalLayout->addWidget(m_devSetBtn);
    m_horizontalLayout->addWidget(m_lockScreenBtn);
    m_horizontalLayout->addWidget(m_padConnectBtn);
    m_horizontalLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_netStateLabel = new QLabel(this);
    m_netStateLabel->setObjectName("netStateLabel");
    m_horizontalLayout->addWidget(m_netStateLabel);

    m_verticalLayout = new QVBoxLayout();
    m_verticalLayout->setObjectName("verticalLayout");
    m_verticalLayout->setSpacing(0);
    m_upLayout = new QHBoxLayout();
    m_upLayout->setObjectName("upLayout");
    m_upImage = new QLabel(this);
    m_upImage->setObjectName("upImage");
    m_upImage->setFixedSize(10, 10);
    m_upImage->setStyleSheet("border-image: url(:/vrek/image/toolview/upload-2.png);");
    m_upSpeed = new QLabel(this);
    m_upSpeed->setObjectName("upSpeed");
    m_upLayout->addWidget(m_upImage);
    m_upLayout->addWidget(m_upSpeed);
    m_downLayout = new QHBoxLayout();
    m_downLayout->setObjectName("downLayout");
    m_downImage = new QLabel(this);
    m_downImage->setObjectName("downImage");
    m_downImage->setMinimumSize(10, 10);
    m_downImage->setMaximumSize(10, 16);
    m_downImage->setStyleSheet("border-image: url(:/vrek/image/toolview/download-1.png);");
    m_downSpeed = new QLabel(this);
    m_downSpeed->setObjectName("downSpeed");
    m_downLayout->addWidget(m_downImage);
    m_downLayout->addWidget(m_downSpeed);
    m_verticalLayout->addLayout(m_upLayout);
    m_verticalLayout->addLayout(m_downLayout);
    m_horizontalLayout->addLayout(m_verticalLayout);
}

void ToolView::initial()
{
    qDebug() << "";
    m_devSetBtn->setToolTip(QStringLiteral("设备检测"));
    connect(m_devSetBtn, &QPushButton::clicked, this, &ToolView::devSetSignal);
    m_devSetBtn->hide();

    m_isLock = false;
    m_lockScreenBtn->setToolTip(QStringLiteral("学生锁屏"));
    m_lockScreenBtn->setCheckable(true);
    m_lockScreenBtn->setChecked(false);
    m_lockScreenBtn->setProperty("lock", "false");
    connect(m_lockScreenBtn, &QPushButton::clicked, this, &ToolView::sendLockScreen);

    m_netFlow = new NetFlow(this);
    connect(m_netFlow, &NetFlow::signalNetFlowChange, this, &ToolView::slotNetFlowChange);

    const int speedWidth = QFontMetrics(m_upSpeed->font()).horizontalAdvance(QStringLiteral("00.00Kbps"));
    m_upSpeed->setFixedWidth(speedWidth);
    m_downSpeed->setFixedWidth(speedWidth);
    m_upSpeed->setStyleSheet(QString::fromLatin1(speedStyle));
    m_downSpeed->setStyleSheet(QString::fromLatin1(speedStyle));

    const bool lecturer = GlobalFunc::isCurrentUserLect();
    m_padTcpManager = new PadTcpManager(g_userId, g_userName, this);
    // The pad link serves only the users who have the pad button.
    m_padTcpManager->setServerEnabled(lecturer);
    connect(m_padTcpManager, &PadTcpManager::newConnectOut, this, &ToolView::newPadConnectIn);
    connect(m_padTcpManager, &PadTcpManager::disConnectOut, this, &ToolView::disPadConnectIn);

    m_qrCodeWidget = new QRCodeWidget();
    m_qrCodeWidget->setFixedSize(m_qrCodeWidget->size());
    m_qrTitle = new TitleView(m_qrCodeWidget, QStringLiteral("Tessli识别码"), pairingTitleFlags);
    m_qrTitle->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    // A pad may log in while, and only while, the pop-up shows the code: however it comes to be shown or hidden
    // (the button, its close, a pad that logged in, the window manager).
    m_qrTitle->installEventFilter(this);

    connect(m_padConnectBtn, &QPushButton::clicked, this, &ToolView::padConnectSlot);

    m_netStateLabel->setText(QString::fromUtf8(normalState));
    m_netStateLabel->setStyleSheet("QLabel{color:#00cc00;}");

    setFixedHeight(barHeight);

    if (g_socketClientManager)
        connect(
            g_socketClientManager, &SocketClientManager::signalSocketTimeout, this, &ToolView::slotNetworkStateChange);

    m_lockScreenBtn->setVisible(lecturer && g_classType != 5);
    // The pad button is the lecturer's side's way to pair; nobody else has a pad link.
    m_padConnectBtn->setVisible(lecturer);
}

bool ToolView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_qrTitle && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        m_padTcpManager->setPairingOpen(event->type() == QEvent::Show);
    return QWidget::eventFilter(watched, event);
}

void ToolView::resizeEvent(QResizeEvent *event)
{
    qDebug() << "ToolView::resizeEvent e:" << event;
    QWidget::resizeEvent(event);
    const bool lecturer = GlobalFunc::isCurrentUserLect();
    m_devSetBtn->setFixedSize(24, 24);
    if (lecturer && g_classType != 5)
        m_lockScreenBtn->setFixedSize(24, 24);
    if (lecturer)
        m_padConnectBtn->setFixedSize(24, 24);
    m_upImage->setFixedSize(8, 8);
    m_downImage->setFixedSize(8, 8);
}

void ToolView::repolish(QWidget *widget)
{
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

void ToolView::sendLockScreen()
{
    m_isLock = !m_isLock;
    qDebug() << "ToolView::SendLockScreen isLock:" << m_isLock;
    const QString data = m_isLock ? QStringLiteral("1") : QStringLiteral("0");
    m_lockScreenBtn->setToolTip(m_isLock ? QStringLiteral("学生已锁屏") : QStringLiteral("学生锁屏"));
    m_lockScreenBtn->setChecked(m_isLock);
    m_lockScreenBtn->setProperty("lock", m_isLock ? "true" : "false");
    repolish(m_lockScreenBtn);
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardSchoolClass(QString::fromLatin1(lockForward), data);
    m_setting.setValue(QStringLiteral("lockScreen/flag"), data);
}

void ToolView::sendLateState(const QString &pid)
{
    qDebug() << "ToolView::sendLateState pid:" << pid;
    if (m_isLock && g_socketClientManager)
        g_socketClientManager->sendServerForwardPersonal(pid, QString::fromLatin1(lockForward), QStringLiteral("1"));
}

void ToolView::pairingTexts(
    quint16 port, const QString &ipAddress, const QString &ipNumber, QString &content, QString &caption)
{
    if (port == 0) {
        content = QStringLiteral("0.0.0.0:0");
        caption = QStringLiteral("服务未正常启动");
        return;
    }
    content = QStringLiteral("%1:%2").arg(ipAddress).arg(port);
    caption = QStringLiteral("手动输入\n%1-%2").arg(ipNumber).arg(port);
}

void ToolView::padConnectSlot()
{
    qDebug() << "";
    if (m_padTcpManager->isPadConnected())
        return;
    QString content;
    QString caption;
    pairingTexts(m_padTcpManager->getServerPort(), m_padTcpManager->getIPAddress(), m_padTcpManager->getIPNumber(),
        content, caption);
    QPixmap pixmap;
    if (!QRCodeBuild::stringToPixmap(content, QSize(qrCodeSide, qrCodeSide), pixmap)) {
        pixmap = QPixmap(QString::fromLatin1(qrErrorPicture));
        qWarning() << "the stringToPixmap fial! ";
    }
    m_qrCodeWidget->setQRPixmap(pixmap);
    m_qrCodeWidget->setQRText(caption);
    m_qrTitle->show();
}

void ToolView::newPadConnectIn(uchar type)
{
    qDebug() << "ToolView::newPadConnectIn";
    if (type != 0)
        return;
    m_padConnectBtn->setStyleSheet(QString::fromLatin1(padConnectedStyle));
    m_qrTitle->hide();
}

void ToolView::disPadConnectIn(uchar type)
{
    qDebug() << "ToolView::disPadConnectIn disType:" << type;
    if (type != 0)
        return;
    m_padConnectBtn->setStyleSheet(QString::fromLatin1(padGoneStyle));
}

QString ToolView::rateText(double rate)
{
    double value = rate;
    QString unit = QStringLiteral("Kbps");
    if (value > 100.0) {
        value /= 1024;
        unit = QStringLiteral("Mbps");
    }
    // Two significant digits, but a value that rounds to three or more digits is shown whole, not as 1e+02.
    const QString number = qAbs(value) >= 99.5 ? QString::number(qRound64(value)) : QString::number(value, 'g', 2);
    return number + unit;
}

void ToolView::slotNetFlowChange(double up, double down)
{
    m_upSpeed->setText(rateText(up));
    m_downSpeed->setText(rateText(down));
}

void ToolView::slotNetworkStateChange(bool dropped, const QString &text)
{
    m_netStateLabel->setText(text);
    if (text == QString::fromUtf8(normalState))
        m_netStateLabel->setStyleSheet("QLabel{color:#00cc00;}");
    else if (!dropped)
        m_netStateLabel->setStyleSheet("QLabel{color:#ff7f0d;}");
    else
        m_netStateLabel->setStyleSheet("QLabel{color:#ff0000;}");
}
