#include "vrek/class/deviceinfolabel.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>

namespace {
constexpr int rowHeight = 50;
const char *const successColour = "#55aa7f";
const char *const failureColour = "#da545c";
const char *const infoColour = "#666666";

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        palette.setColor(group, QPalette::WindowText, colour);
    label->setPalette(palette);
}
} // namespace

DeviceInfoLabel::DeviceInfoLabel(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    for (QLabel *label : { m_titleLabel, m_infoLabel, m_statusLabel })
        label->setStyleSheet("QLabel{font:15px;}");
    setStyleSheet("QLabel{background-color:#f1f3fa;}");
    setFixedHeight(rowHeight);
}

DeviceInfoLabel::~DeviceInfoLabel() = default;

void DeviceInfoLabel::buildForm()
{
    setObjectName("DeviceInfoLabel");
    setWindowTitle("Form");
    resize(400, 150);
    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    const char *const names[] = { "titleLabel", "infoLabel", "statusLabel" };
    const int stretches[] = { 1, 3, 1 };
    QLabel **labels[] = { &m_titleLabel, &m_infoLabel, &m_statusLabel };
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(names[i]);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label, stretches[i]);
        *labels[i] = label;
    }
}

bool DeviceInfoLabel::isSuccess(const QString &status)
{
    return status == QStringLiteral("正常") || status == QStringLiteral("通过");
}

void DeviceInfoLabel::setTitle(const QString &title)
{
    m_titleLabel->setText(title);
}

void DeviceInfoLabel::setInfo(const QString &info)
{
    m_infoLabel->setText(info);
}

void DeviceInfoLabel::setStatus(const QString &status)
{
    m_statusLabel->setText(status);
    const bool success = isSuccess(status);
    setTextColour(m_titleLabel, success ? QColor(Qt::black) : QColor(Qt::red));
    setTextColour(m_statusLabel, QColor(success ? successColour : failureColour));
    setTextColour(m_infoLabel, QColor(infoColour));
}

QString DeviceInfoLabel::title() const
{
    return m_titleLabel->text();
}

QString DeviceInfoLabel::info() const
{
    return m_infoLabel->text();
}

QString DeviceInfoLabel::status() const
{
    return m_statusLabel->text();
}
