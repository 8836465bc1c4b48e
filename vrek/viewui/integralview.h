#ifndef INTEGRALVIEW_H
#define INTEGRALVIEW_H

#include <QWidget>

class QLabel;

// A points notice: "+N 积分", or a thank-you when no points were given.
class IntegralView : public QWidget
{
    Q_OBJECT
public:
    explicit IntegralView(QWidget *parent = nullptr);

    QString pointsText() const;
    QString captionText() const;
    bool isPointsShown() const;

signals:
    void signalShowOut();

public slots:
    void slotIntegralResult(const QString &points);

private:
    QLabel *m_pointsLabel;
    QLabel *m_captionLabel;
};

#endif // INTEGRALVIEW_H
