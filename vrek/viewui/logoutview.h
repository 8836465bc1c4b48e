#ifndef LOGOUTVIEW_H
#define LOGOUTVIEW_H

#include <QWidget>

class QLabel;
class QPushButton;

// The small confirmation before leaving a lesson ("确定" and "取消"), and in a second form the notice that
// the watched student has left (only "确定"). It only reports the button; the class windows frame it and
// decide what the buttons do.
class LogoutView : public QWidget
{
    Q_OBJECT
public:
    // Bits of the kind.
    enum Kind : unsigned { NoCloseButton = 0x1, NoExitButton = 0x2 };
    // The size the class windows give the dialog.
    static constexpr int dialogWidth = 220;
    static constexpr int dialogHeight = 120;

    // The question before leaving a lesson of the class type: meetings ask about the meeting.
    static QString leaveQuestion(int classType);
    // The leave question (kind 0) for the class type at the size the class windows give it, for a frame.
    static LogoutView *makeLeaveQuestion(int classType);

    explicit LogoutView(unsigned kind, QWidget *parent = nullptr);
    ~LogoutView() override;

    unsigned kind() const { return m_kind; }
    void setText(const QString &text);
    QString text() const;

signals:
    void signalClose();
    void signalLogout();

private:
    void buildForm();

    unsigned m_kind;
    QLabel *m_imageLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

#endif // LOGOUTVIEW_H
