#include "vrek/maintool/qrcodewidget.h"

#include <QGridLayout>
#include <QLabel>

QRCodeWidget::QRCodeWidget(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(330, 430);
}

QRCodeWidget::~QRCodeWidget() = default;

void QRCodeWidget::buildForm()
{
    setObjectName("QRCodeWidget");
    setWindowTitle("QRCodeWidget");
    m_borderImg = new QLabel(this);
    m_borderImg->setObjectName("borderImg");
    m_borderImg->setGeometry(5, 5, 320, 420);
    m_borderImg->setStyleSheet(QString());
    m_layoutWidget = new QWidget(this);
    m_layoutWidget->setObjectName("layoutWidget");
    m_layoutWidget->setGeometry(0, 0, 331, 431);
    m_gridLayout = new QGridLayout(m_layoutWidget);
    m_gridLayout->setObjectName("gridLayout_2");
    m_gridLayout->setContentsMargins(0, 0, 0, 0);
    m_qrcodeimg = new QLabel(m_layoutWidget);
    m_qrcodeimg->setObjectName("qrcodeimg");
    m_qrcodeimg->setAlignment(Qt::AlignCenter);
    m_gridLayout->addWidget(m_qrcodeimg, 0, 0);
    m_qrcodetext = new QLabel(m_layoutWidget);
    m_qrcodetext->setTextFormat(Qt::PlainText);
    m_qrcodetext->setObjectName("qrcodetext");
    m_qrcodetext->setAlignment(Qt::AlignCenter);
    m_qrcodetext->setStyleSheet(QString::fromUtf8("color: rgb(0, 0, 0);\nfont: 75 16pt \"微软雅黑\";"));
    m_gridLayout->addWidget(m_qrcodetext, 1, 0);
    m_gridLayout->setRowStretch(0, 4);
}

void QRCodeWidget::setQRPixmap(const QPixmap &pixmap)
{
    m_qrcodeimg->setPixmap(pixmap);
}

void QRCodeWidget::setQRText(const QString &text)
{
    m_qrcodetext->setText(text);
}
