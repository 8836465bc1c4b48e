#ifndef CALLROLL_H
#define CALLROLL_H

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

// The roll-call prompt: when the lecturer calls the roll, a sign-in button shows for at most 20 seconds, or
// the time the call gives if shorter, and a click answers the lecturer. The owner frames it and shows or
// hides the frame on the two signals.
class CallRoll : public QWidget
{
    Q_OBJECT
public:
    static constexpr int tickIntervalMs = 1000;
    static constexpr int maxTicks = 20;

    explicit CallRoll(QWidget *parent = nullptr);
    ~CallRoll() override;

    // Tests shorten the second the countdown counts in.
    void setTickInterval(int ms);
    bool isRunning() const;
    QString callerId() const { return m_callerId; }
    QString rollCallId() const { return m_rollCallId; }
    int remaining() const { return m_remaining; }
    int ticks() const { return m_ticks; }

signals:
    void signalCallRollShow();
    void signalCallRollHide();

public slots:
    // "callerId@flag@rollCallId@durationMs".
    void onCallRollStart(QString text);
    void onResButtonClick();
    void onTimeout();

private:
    void setSignButton();
    void setAnsweredButton();
    void finish();

    QString m_callerId;
    QString m_rollCallId;
    int m_remaining = 0;
    int m_ticks = 0;
    QTimer *m_timer;
    QLabel *m_textLabel;
    QPushButton *m_resButton;
};

#endif // CALLROLL_H
