#include "tests/support/xvfbdisplay.h"

#include <QByteArray>

#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// True when the process has ended within the time (and is reaped).
bool waitForEnd(pid_t pid, int timeoutMs)
{
    const int64_t end = nowMs() + timeoutMs;
    for (;;) {
        const pid_t result = ::waitpid(pid, nullptr, WNOHANG);
        if (result == pid || (result < 0 && errno == ECHILD))
            return true;
        if (nowMs() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
} // namespace

XvfbDisplay::~XvfbDisplay()
{
    stop();
}

bool XvfbDisplay::start(int width, int height, int timeoutMs)
{
    return start(QList<QSize> { QSize(width, height) }, timeoutMs);
}

bool XvfbDisplay::start(const QList<QSize> &screens, int timeoutMs)
{
    stop();
    if (screens.isEmpty())
        return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // The write end stays open across exec: Xvfb writes the display number it took to it. Everything the
    // child needs is made before the fork.
    ::fcntl(fds[1], F_SETFD, 0);
    const QByteArray fd = QByteArray::number(fds[1]);
    QList<QByteArray> arguments { "Xvfb", "-displayfd", fd };
    for (int i = 0; i < screens.size(); ++i) {
        const QSize &size = screens.at(i);
        arguments << "-screen" << QByteArray::number(i)
                  << QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height()) + "x24";
    }
    arguments << "-nolisten"
              << "tcp"
              << "-noreset";
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
        }
        ::execvp("Xvfb", argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    m_pid = pid;
    QByteArray number;
    const int64_t end = nowMs() + timeoutMs;
    bool done = false;
    while (!done && nowMs() < end) {
        pollfd readable { fds[0], POLLIN, 0 };
        const int ready = ::poll(&readable, 1, int(qMax<int64_t>(1, end - nowMs())));
        if (ready <= 0)
            continue;
        char buffer[32];
        const ssize_t count = ::read(fds[0], buffer, sizeof(buffer));
        if (count <= 0)
            break; // the server ended
        number.append(buffer, int(count));
        done = number.contains('\n');
    }
    ::close(fds[0]);
    number = number.trimmed();
    if (!done || number.isEmpty()) {
        stop();
        return false;
    }
    m_name = QStringLiteral(":") + QString::fromLatin1(number);
    return true;
}

void XvfbDisplay::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    if (!waitForEnd(m_pid, 3000)) {
        ::kill(m_pid, SIGKILL);
        waitForEnd(m_pid, 3000);
    }
    m_pid = -1;
    m_name.clear();
}

bool XvfbDisplay::closeWindow(quint32 windowId) const
{
    xcb_connection_t *connection = xcb_connect(m_name.toLocal8Bit().constData(), nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return false;
    }
    auto atom = [connection](const char *name) {
        xcb_intern_atom_reply_t *reply
            = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return value;
    };
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = windowId;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, windowId, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    const bool sent = xcb_flush(connection) > 0;
    xcb_disconnect(connection);
    return sent;
}
