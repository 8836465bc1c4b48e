#ifndef TITLEVIEW_H
#define TITLEVIEW_H

#include "vrek/window/framelesswindow.h"

#include <QColor>
#include <QString>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class TitleBarWidget;

// The frame of every top-level window of the client: a frameless window with its own title bar around a view.
// A flag word chooses the buttons and the behaviour; all bits clear give every button, a shadow and a modal,
// resizable, draggable window with a small bar.
class TitleView : public FramelessWindow
{
    Q_OBJECT
public:
    enum TitleFlag {
        NoExitButton = 0x1,
        NoMinButton = 0x2,
        NoMaxButton = 0x4,
        NoShadow = 0x8,
        Modeless = 0x10,
        NoTitleLabel = 0x20,
        FixedSize = 0x40,
        NoTitleDrag = 0x80,
        StayOnTop = 0x100,
        LargeBar = 0x400,
        TitleBarHandlesMouse = 0x100000,
        CustomClose = 0x200000,
    };

    static constexpr int smallBarHeight = 28;
    static constexpr int largeBarHeight = 40;

    TitleView(QWidget *centerWidget, const QString &title, int flags, QWidget *parent = nullptr);
    ~TitleView() override;

    void setTitle(const QString &title);
    QString title() const { return m_title; }
    void setTitleFlags(int flags);
    int titleFlags() const { return m_flags; }
    void setFixedSize(const QSize &size);
    void setUserButtonShown(bool shown);
    // The window this frame is a box of: the frame becomes its transient (the window manager keeps it above the
    // owner, whatever the owner's layer), and a modal frame blocks the owner alone instead of the whole client.
    // An owner framed by a TitleView blocks nothing itself from then on: a window modal to the whole client but
    // owned by none is one that a window manager (xfwm4) keeps above every other window of the client, its own
    // boxes too.
    void setOwner(QWidget *owner);
    // Brought back over its owner and given the keyboard, as when it was shown, if it is open.
    void raiseOverOwner();
    QWidget *centerWidget() const { return m_centerWidget; }
    int titleBarHeight() const;
    // Shown maximised first, the frame is sized around the view all the same, before the window manager sees it.
    void showMaximized() override;

public slots:
    virtual void setShadowVisible(bool visible);
    void show();
    void show(uint flags);
    void slotMinButtonClicked();
    void slotMaxButtonClicked();
    void slotExitButtonClicked();
    void slotIndexButtonClicked();
    void slotPrimeButtonClicked();
    void slotCenterWidgetDestroyed(QObject *object);

signals:
    void signalClose();
    void signalCustomClose();
    void signalRestoreOrMaxsize(bool maximized);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void captionDoubleClicked() override;

private:
    void buildForm();
    void updateTitleFlags();
    void sizeOnFirstShow();
    // The frame around a view of the size; chrome: the border and the title bar.
    QSize frameSizeFor(const QSize &center) const;
    // A view that asks for more room than the frame's least size raises it.
    void followCenterMinimum();
    void centreOnScreen();
    void setMaxButtonPictures(bool maximized);

    // The form.
    QVBoxLayout *m_titleViewLayout = nullptr;
    TitleBarWidget *m_titleWidget = nullptr;
    QHBoxLayout *m_titleLayout = nullptr;
    QPushButton *m_iconButton = nullptr;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_titleName = nullptr;
    QLabel *m_versionLabel = nullptr;
    QPushButton *m_indexButton = nullptr;
    QToolButton *m_userButton = nullptr;
    QPushButton *m_minButton = nullptr;
    QPushButton *m_maxButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QVBoxLayout *m_widgetLayout = nullptr;
    QVBoxLayout *m_centerLayout = nullptr;

    QWidget *m_centerWidget;
    int m_flags = 0;
    QString m_title;
    QColor m_titleBarColor { 0, 129, 255 };
    bool m_firstShow = true;
    bool m_sizeChosen = false;
    bool m_userButtonShown = false;
    bool m_ownsBoxes = false;
};

#endif // TITLEVIEW_H
