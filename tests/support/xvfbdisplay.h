#ifndef XVFBDISPLAY_H
#define XVFBDISPLAY_H

#include <QList>
#include <QSize>
#include <QString>

#include <sys/types.h>

// Xvfb on a display number it finds free itself, for tests that need a real X window. Started without Qt (a
// test starts it before its QApplication, which then connects to it), stopped by its process id when the object
// goes, and killed by the kernel should the test process die first.
class XvfbDisplay
{
public:
    XvfbDisplay() = default;
    ~XvfbDisplay();

    // Returns once the server takes connections; false when it did not start within the time.
    bool start(int width = 1280, int height = 800, int timeoutMs = 10000);
    // One X screen per size, each a screen of its own to Qt (":N.0", ":N.1" ...).
    bool start(const QList<QSize> &screens, int timeoutMs = 10000);
    void stop();
    bool isRunning() const { return m_pid > 0; }
    // ":N"
    QString name() const { return m_name; }
    // Asks the window to close (WM_DELETE_WINDOW), as a window manager's close button does; false when the
    // display cannot be reached.
    bool closeWindow(quint32 windowId) const;

    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

private:
    pid_t m_pid = -1;
    QString m_name;
};

#endif // XVFBDISPLAY_H
