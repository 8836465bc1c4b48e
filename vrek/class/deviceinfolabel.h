#ifndef DEVICEINFOLABEL_H
#define DEVICEINFOLABEL_H

#include <QString>
#include <QWidget>

class QLabel;

// One row of the device check: a title, a detail text and a status; the title and the status turn red unless
// the status tells of success.
class DeviceInfoLabel : public QWidget
{
    Q_OBJECT
public:
    explicit DeviceInfoLabel(QWidget *parent = nullptr);
    ~DeviceInfoLabel() override;

    void setTitle(const QString &title);
    void setInfo(const QString &info);
    void setStatus(const QString &status);

    QString title() const;
    QString info() const;
    QString status() const;

    // "正常" and "通过".
    static bool isSuccess(const QString &status);

private:
    void buildForm();

    QLabel *m_titleLabel = nullptr;
    QLabel *m_infoLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
};

#endif // DEVICEINFOLABEL_H
