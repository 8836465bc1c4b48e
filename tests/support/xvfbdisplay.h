#ifndef XVFBDISPLAY_H
#define XVFBDISPLAY_H

#include <QByteArrayList>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <sys/types.h>

// Xvfb on a display number it finds free itself, for tests that need a real X window, with a window manager
// managing every X screen as on a user's desktop: openbox, xfwm4 (Xfce's, with a D-Bus session bus of its own
// for its settings, which it then reads as packaged, compositing off) or metacity (GNOME's, likewise, its settings
// as packaged from GSettings' memory backend), or, where a test needs it, none at all.
// TAVI_TEST_WM ("openbox", "xfwm4", "metacity") and TAVI_TEST_SCREEN ("1366x768") choose the manager and the desktop's size
// for the tests that take them from the environment, so that CTest runs one executable on several. Started without
// Qt (a test starts it before its QApplication, which then connects to it), stopped by the process ids when the
// object goes, and killed by the kernel should the test process die first.
//
// The queries below read what the window manager made of a window, over a connection of their own; the window
// ids are Qt's (QWidget::winId, the client window), never the frame the manager wraps around it.
class XvfbDisplay
{
public:
    enum class WindowManager {
        Openbox,
        Xfwm4,
        Metacity,
        None, // a bare server: windows are placed exactly where the program asks
    };

    // TAVI_TEST_WM's manager, openbox when unset; None for a name it does not know (a test then fails to start
    // instead of running under another manager than the one asked for).
    static WindowManager managerFromEnvironment();
    static bool knownManagerInEnvironment();
    static QByteArray managerName(WindowManager manager);
    // TAVI_TEST_SCREEN's size, or the given one when unset or malformed.
    static QSize screenFromEnvironment(const QSize &fallback);

    explicit XvfbDisplay(WindowManager manager = WindowManager::Openbox);
    ~XvfbDisplay();

    // Returns once the server takes connections and the window manager has taken every screen; false when
    // either did not start within the time.
    bool start(int width = 1280, int height = 800, int timeoutMs = 10000);
    // One X screen per size, each a screen of its own to Qt (":N.0", ":N.1" ...).
    bool start(const QList<QSize> &screens, int timeoutMs = 10000);
    void stop();
    bool isRunning() const { return m_pid > 0; }
    WindowManager windowManager() const { return m_manager; }
    // ":N"
    QString name() const { return m_name; }
    // Asks the window to close (WM_DELETE_WINDOW), as a window manager's close button does; false when the
    // display cannot be reached.
    bool closeWindow(quint32 windowId) const;
    // Asks for the window to take the size, as another client (a pager, a tiling key) asks the window manager:
    // the request goes to the manager, which holds the window to its size hints as when the user drags its
    // border. False when the display cannot be reached.
    bool requestSize(quint32 windowId, const QSize &size) const;

    // The window's own area in root coordinates; null when the window is unknown.
    QRect clientGeometry(quint32 windowId) const;
    // The area of the top-level the window manager put around the window (the window itself without one).
    QRect frameGeometry(quint32 windowId) const;
    // The managed top-levels of the first screen (_NET_CLIENT_LIST), bottom to top as the server stacks them.
    QList<quint32> stackingOrder() const;
    // True when both are managed and `upper` lies above `lower`.
    bool isAbove(quint32 upper, quint32 lower) const;
    // The window the manager gave the focus (_NET_ACTIVE_WINDOW); 0 when none.
    quint32 activeWindow() const;
    // The window the window's WM_TRANSIENT_FOR names (its owner, which the manager keeps it above); 0 when none.
    quint32 transientFor(quint32 windowId) const;
    // The window's _NET_WM_STATE atoms by name ("_NET_WM_STATE_FULLSCREEN" ...).
    QByteArrayList windowStates(quint32 windowId) const;
    // True when a click at the point of the root window would go to the window or one of its children: the
    // server's own answer, with the windows above it and their input areas taken into account.
    bool receivesClickAt(quint32 windowId, const QPoint &rootPoint) const;
    // A real left click at a point of the root window, through the server's XTEST input: it goes to whatever
    // window the server finds there, as a user's click does.
    bool clickAt(const QPoint &rootPoint) const;
    // The pointer moved to a point, and a click where it rests, without moving it: the server delivers it to the
    // window it last found under the pointer, as for a student whose hand waits on the mouse.
    bool movePointerTo(const QPoint &rootPoint) const;
    bool clickWherePointerRests() const;
    // True when the window or one of its children is where the server last found the pointer: the window a press
    // without a move goes to (it may differ from the one at the point until the pointer moves).
    bool pointerRestsIn(quint32 windowId) const;

    // The window manager as a slow one on a busy machine: stopped (SIGSTOP), it answers nothing, and every map
    // request waits for it; continued, it handles them in the order they came. False without a manager.
    bool pauseWindowManager();
    bool resumeWindowManager();
    bool isWindowManagerPaused() const { return m_managerPaused; }
    // True while the window is mapped (the server's map state, whatever the manager made of it).
    bool isMapped(quint32 windowId) const;
    // The windows the manager manages now (_NET_CLIENT_LIST of the first screen), in its order.
    QList<quint32> clientList() const;

    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

private:
    bool startWindowManager(int screen, int timeoutMs);
    bool startSessionBus(int timeoutMs);
    bool windowManagerReady(int screen) const;

    WindowManager m_manager;
    pid_t m_pid = -1;
    pid_t m_busPid = -1;
    QByteArray m_busAddress;
    QList<pid_t> m_managerPids;
    bool m_managerPaused = false;
    int m_screenCount = 0;
    QString m_name;
};

#endif // XVFBDISPLAY_H
