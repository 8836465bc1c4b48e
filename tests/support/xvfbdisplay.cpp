#include "tests/support/xvfbdisplay.h"

#include <QByteArray>
#include <QFile>
#include <QMultiMap>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <initializer_list>
#include <memory>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/uio.h>
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

void endProcess(pid_t pid)
{
    ::kill(pid, SIGTERM);
    if (!waitForEnd(pid, 3000)) {
        ::kill(pid, SIGKILL);
        waitForEnd(pid, 3000);
    }
}

// Everything the child needs is made before the fork (the environment's "NAME=value" entries too: putenv keeps
// the pointer); it dies with the test process.
pid_t spawn(std::vector<char *> &argv, const QByteArray &display, const QByteArrayList &environment = {},
    int keepFd = -1)
{
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
    }
    if (keepFd >= 0)
        ::fcntl(keepFd, F_SETFD, 0);
    // The packaged configuration only, whatever the user running the tests has set up.
    ::setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
    if (!display.isEmpty())
        ::setenv("DISPLAY", display.constData(), 1);
    for (const QByteArray &entry : environment)
        ::putenv(const_cast<char *>(entry.constData()));
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

struct Disconnect
{
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

Connection connectTo(const QString &name)
{
    if (name.isEmpty())
        return {};
    Connection connection(xcb_connect(name.toLocal8Bit().constData(), nullptr));
    if (connection && xcb_connection_has_error(connection.get()))
        connection.reset();
    return connection;
}

template<typename T>
using Reply = std::unique_ptr<T, decltype(&free)>;

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr),
        &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString atomName(xcb_connection_t *connection, xcb_atom_t value)
{
    Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, value), nullptr), &free);
    if (!reply)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
}

// The 32-bit items of a property (windows, atoms, cardinals).
QList<quint32> property32(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    QList<quint32> values;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 4096), nullptr),
        &free);
    if (!reply || reply->format != 32)
        return values;
    const auto *items = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        values.append(items[i]);
    return values;
}

xcb_window_t firstRoot(xcb_connection_t *connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_window_t rootOf(xcb_connection_t *connection, int screen)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    return it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

// XTEST's FakeInput, of which libxcb has no header on this system.
struct FakeInputRequest
{
    uint8_t majorOpcode;
    uint8_t minorOpcode;
    uint16_t length;
    uint8_t type;
    uint8_t detail;
    uint8_t pad0[2];
    uint32_t time;
    xcb_window_t root;
    uint8_t pad1[8];
    int16_t rootX;
    int16_t rootY;
    uint8_t pad2[7];
    uint8_t deviceId;
};
static_assert(sizeof(FakeInputRequest) == 36, "XTEST FakeInput is 36 bytes");

xcb_extension_t xtestExtension = { "XTEST", 0 };

void fakeInput(xcb_connection_t *connection, uint8_t type, uint8_t detail, xcb_window_t root, int x, int y)
{
    static const xcb_protocol_request_t request = { 1, &xtestExtension, 2 /* FakeInput */, 1 };
    FakeInputRequest out {};
    out.type = type;
    out.detail = detail;
    out.root = root;
    out.rootX = int16_t(x);
    out.rootY = int16_t(y);
    struct iovec parts[3];
    parts[2].iov_base = &out;
    parts[2].iov_len = sizeof(out);
    xcb_send_request(connection, 0, parts + 2, &request);
}

struct FakeEvent
{
    uint8_t type;
    uint8_t detail;
    int x;
    int y;
};

// Sends the events through XTEST on a connection of its own; true once the server has taken them all.
bool sendFakeInput(const QString &name, std::initializer_list<FakeEvent> events)
{
    Connection connection = connectTo(name);
    if (!connection)
        return false;
    xcb_connection_t *c = connection.get();
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(c, &xtestExtension);
    if (!xtest || !xtest->present)
        return false;
    const xcb_window_t root = firstRoot(c);
    for (const FakeEvent &event : events)
        fakeInput(c, event.type, event.detail, root, event.x, event.y);
    // A round trip: the server has taken every event once it answers.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &free);
    return sync != nullptr && !xcb_connection_has_error(c);
}
} // namespace

XvfbDisplay::WindowManager XvfbDisplay::managerFromEnvironment()
{
    const QByteArray name = qgetenv("TAVI_TEST_WM").trimmed().toLower();
    if (name.isEmpty() || name == "openbox")
        return WindowManager::Openbox;
    if (name == "xfwm4")
        return WindowManager::Xfwm4;
    if (name == "metacity")
        return WindowManager::Metacity;
    return WindowManager::None;
}

bool XvfbDisplay::knownManagerInEnvironment()
{
    const QByteArray name = qgetenv("TAVI_TEST_WM").trimmed().toLower();
    return name.isEmpty() || name == "openbox" || name == "xfwm4" || name == "metacity";
}

QByteArray XvfbDisplay::managerName(WindowManager manager)
{
    switch (manager) {
    case WindowManager::Openbox:
        return "openbox";
    case WindowManager::Xfwm4:
        return "xfwm4";
    case WindowManager::Metacity:
        return "metacity";
    case WindowManager::None:
        break;
    }
    return "none";
}

QSize XvfbDisplay::screenFromEnvironment(const QSize &fallback)
{
    const QList<QByteArray> parts = qgetenv("TAVI_TEST_SCREEN").trimmed().toLower().split('x');
    if (parts.size() != 2)
        return fallback;
    bool wide = false;
    bool high = false;
    const QSize size(parts.at(0).toInt(&wide), parts.at(1).toInt(&high));
    return wide && high && size.width() >= 640 && size.height() >= 480 ? size : fallback;
}

XvfbDisplay::XvfbDisplay(WindowManager manager)
    : m_manager(manager)
{ }

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
    const int64_t end = nowMs() + timeoutMs;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // The write end stays open across exec: Xvfb writes the display number it took to it.
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
    const pid_t pid = spawn(argv, QByteArray());
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    ::close(fds[1]);
    m_pid = pid;
    QByteArray number;
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
    m_screenCount = screens.size();
    if (m_manager == WindowManager::None)
        return true;
    for (int screen = 0; screen < m_screenCount; ++screen) {
        if (!startWindowManager(screen, int(qMax<int64_t>(1, end - nowMs())))) {
            stop();
            return false;
        }
    }
    return true;
}

bool XvfbDisplay::startSessionBus(int timeoutMs)
{
    if (m_busPid > 0)
        return true;
    const int64_t end = nowMs() + timeoutMs;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    QList<QByteArray> arguments { "dbus-daemon", "--session", "--nofork", "--nopidfile", "--nosyslog",
        "--print-address=" + QByteArray::number(fds[1]) };
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t pid = spawn(argv, QByteArray(), {}, fds[1]);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return false;
    }
    m_busPid = pid;
    QByteArray address;
    while (!address.contains('\n') && nowMs() < end) {
        pollfd readable { fds[0], POLLIN, 0 };
        if (::poll(&readable, 1, int(qMax<int64_t>(1, end - nowMs()))) <= 0)
            continue;
        char buffer[256];
        const ssize_t count = ::read(fds[0], buffer, sizeof(buffer));
        if (count <= 0)
            break; // the bus ended
        address.append(buffer, int(count));
    }
    ::close(fds[0]);
    m_busAddress = address.trimmed();
    return address.contains('\n') && !m_busAddress.isEmpty();
}

bool XvfbDisplay::startWindowManager(int screen, int timeoutMs)
{
    const int64_t end = nowMs() + timeoutMs;
    const QByteArray display = m_name.toLocal8Bit() + '.' + QByteArray::number(screen);
    QList<QByteArray> arguments;
    QByteArrayList environment;
    if (m_manager == WindowManager::Xfwm4) {
        // xfwm4 ends at once without its settings daemon, which it reaches over the session bus: one of its own,
        // that goes with the display. Without a compositor, as on a plain X server; no accessibility bus.
        if (!startSessionBus(timeoutMs))
            return false;
        arguments = { "xfwm4", "--compositor=off", "--sm-client-disable" };
        environment = { "DBUS_SESSION_BUS_ADDRESS=" + m_busAddress, "NO_AT_BRIDGE=1", "GTK_A11Y=none" };
    } else if (m_manager == WindowManager::Metacity) {
        // GNOME's habits (focus-stealing prevention, transients kept above their parents) without a session: its
        // settings come from GSettings' memory backend, with a bus of its own as xfwm4's.
        if (!startSessionBus(timeoutMs))
            return false;
        arguments = { "metacity", "--sm-disable", "--no-composite" };
        environment = { "DBUS_SESSION_BUS_ADDRESS=" + m_busAddress, "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1",
            "GTK_A11Y=none" };
    } else {
        arguments = { "openbox", "--sm-disable" };
    }
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t pid = spawn(argv, display, environment);
    if (pid < 0)
        return false;
    m_managerPids.append(pid);
    // The manager has the screen once it names its check window on the root and that window names itself.
    while (nowMs() < end) {
        if (windowManagerReady(screen))
            return true;
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            m_managerPids.removeAll(pid);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool XvfbDisplay::windowManagerReady(int screen) const
{
    Connection connection = connectTo(m_name);
    if (!connection)
        return false;
    const xcb_window_t root = rootOf(connection.get(), screen);
    if (root == XCB_WINDOW_NONE)
        return false;
    const xcb_atom_t check = atom(connection.get(), "_NET_SUPPORTING_WM_CHECK");
    const QList<quint32> rootCheck = property32(connection.get(), root, check, XCB_ATOM_WINDOW);
    if (rootCheck.isEmpty() || rootCheck.first() == 0)
        return false;
    const QList<quint32> ownCheck = property32(connection.get(), rootCheck.first(), check, XCB_ATOM_WINDOW);
    return !ownCheck.isEmpty() && ownCheck.first() == rootCheck.first();
}

bool XvfbDisplay::pauseWindowManager()
{
    if (m_managerPids.isEmpty())
        return false;
    for (pid_t pid : qAsConst(m_managerPids)) {
        if (::kill(pid, SIGSTOP) != 0)
            return false;
    }
    // Stopped once the kernel says so: a signal is delivered on the process's next scheduling, not at the call.
    for (pid_t pid : qAsConst(m_managerPids)) {
        const int64_t end = nowMs() + 5000;
        for (;;) {
            QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
            if (status.open(QIODevice::ReadOnly)) {
                const QByteArray stat = status.readAll();
                const int close = stat.lastIndexOf(')');
                if (close > 0 && close + 2 < stat.size() && stat.at(close + 2) == 'T')
                    break;
            }
            if (nowMs() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    m_managerPaused = true;
    return true;
}

bool XvfbDisplay::resumeWindowManager()
{
    bool ok = !m_managerPids.isEmpty();
    for (pid_t pid : qAsConst(m_managerPids))
        ok = ::kill(pid, SIGCONT) == 0 && ok;
    m_managerPaused = false;
    return ok;
}

bool XvfbDisplay::isMapped(quint32 windowId) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return false;
    xcb_connection_t *c = connection.get();
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, windowId), nullptr), &free);
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

QList<quint32> XvfbDisplay::clientList() const
{
    Connection connection = connectTo(m_name);
    if (!connection)
        return {};
    xcb_connection_t *c = connection.get();
    return property32(c, firstRoot(c), atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
}

void XvfbDisplay::stop()
{
    // A stopped manager would not see the end it is sent.
    if (m_managerPaused)
        resumeWindowManager();
    // The managers first: they leave on their own once the server goes, but not always quietly.
    for (pid_t pid : qAsConst(m_managerPids))
        endProcess(pid);
    m_managerPids.clear();
    // The settings daemon it started leaves with it.
    if (m_busPid > 0)
        endProcess(m_busPid);
    m_busPid = -1;
    m_busAddress.clear();
    if (m_pid <= 0)
        return;
    endProcess(m_pid);
    m_pid = -1;
    m_screenCount = 0;
    m_name.clear();
}

QRect XvfbDisplay::clientGeometry(quint32 windowId) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return {};
    xcb_connection_t *c = connection.get();
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, windowId), nullptr), &free);
    if (!geometry)
        return {};
    Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, windowId, geometry->root, 0, 0), nullptr),
        &free);
    if (!origin)
        return {};
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

QRect XvfbDisplay::frameGeometry(quint32 windowId) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return {};
    xcb_connection_t *c = connection.get();
    // Up to the child of the root: the manager's frame, or the window itself when it has none.
    xcb_window_t top = windowId;
    for (;;) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr), &free);
        if (!tree)
            return {};
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            break;
        top = tree->parent;
    }
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr), &free);
    if (!geometry)
        return {};
    const int border = geometry->border_width;
    return QRect(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border);
}

QList<quint32> XvfbDisplay::stackingOrder() const
{
    Connection connection = connectTo(m_name);
    if (!connection)
        return {};
    xcb_connection_t *c = connection.get();
    const xcb_window_t root = firstRoot(c);
    // The server's own order of the root's children, each managed window by the frame around it: the managers'
    // lists lag (xfwm4 names no stacking at all while it has a single window).
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &free);
    if (!tree)
        return {};
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    QList<xcb_window_t> tops;
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        tops.append(children[i]);
    QMultiMap<int, quint32> byPlace;
    for (quint32 client : property32(c, root, atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
        xcb_window_t top = client;
        for (int depth = 0; depth < 16; ++depth) {
            Reply<xcb_query_tree_reply_t> up(xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr), &free);
            if (!up || up->parent == root || up->parent == XCB_WINDOW_NONE)
                break;
            top = up->parent;
        }
        const int place = tops.indexOf(top);
        if (place >= 0)
            byPlace.insert(place, client);
    }
    return byPlace.values();
}

bool XvfbDisplay::isAbove(quint32 upper, quint32 lower) const
{
    const QList<quint32> order = stackingOrder();
    const int upperIndex = order.indexOf(upper);
    const int lowerIndex = order.indexOf(lower);
    return upperIndex >= 0 && lowerIndex >= 0 && upperIndex > lowerIndex;
}

quint32 XvfbDisplay::activeWindow() const
{
    Connection connection = connectTo(m_name);
    if (!connection)
        return 0;
    xcb_connection_t *c = connection.get();
    const QList<quint32> active = property32(c, firstRoot(c), atom(c, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    return active.isEmpty() ? 0 : active.first();
}

quint32 XvfbDisplay::transientFor(quint32 windowId) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return 0;
    const QList<quint32> owner = property32(connection.get(), windowId, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW);
    return owner.isEmpty() ? 0 : owner.first();
}

QByteArrayList XvfbDisplay::windowStates(quint32 windowId) const
{
    QByteArrayList states;
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return states;
    xcb_connection_t *c = connection.get();
    for (quint32 value : property32(c, windowId, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM))
        states.append(atomName(c, value).toLatin1());
    return states;
}

bool XvfbDisplay::receivesClickAt(quint32 windowId, const QPoint &rootPoint) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return false;
    xcb_connection_t *c = connection.get();
    const xcb_window_t root = firstRoot(c);
    // Down from the root to the deepest window at the point, through each level's topmost child there.
    xcb_window_t window = root;
    bool reached = false;
    for (int depth = 0; depth < 64; ++depth) {
        Reply<xcb_translate_coordinates_reply_t> reply(
            xcb_translate_coordinates_reply(
                c, xcb_translate_coordinates(c, root, window, int16_t(rootPoint.x()), int16_t(rootPoint.y())), nullptr),
            &free);
        if (!reply)
            return false;
        if (window == windowId)
            reached = true;
        if (reply->child == XCB_WINDOW_NONE)
            break;
        window = reply->child;
    }
    return reached || window == windowId;
}

bool XvfbDisplay::clickAt(const QPoint &rootPoint) const
{
    return sendFakeInput(m_name,
        { { XCB_MOTION_NOTIFY, 0, rootPoint.x(), rootPoint.y() }, { XCB_BUTTON_PRESS, 1, 0, 0 },
            { XCB_BUTTON_RELEASE, 1, 0, 0 } });
}

bool XvfbDisplay::movePointerTo(const QPoint &rootPoint) const
{
    return sendFakeInput(m_name, { { XCB_MOTION_NOTIFY, 0, rootPoint.x(), rootPoint.y() } });
}

bool XvfbDisplay::clickWherePointerRests() const
{
    return sendFakeInput(m_name, { { XCB_BUTTON_PRESS, 1, 0, 0 }, { XCB_BUTTON_RELEASE, 1, 0, 0 } });
}

bool XvfbDisplay::pointerRestsIn(quint32 windowId) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return false;
    xcb_connection_t *c = connection.get();
    // Down the server's own record of the pointer's window, level by level.
    xcb_window_t window = firstRoot(c);
    for (int depth = 0; depth < 64; ++depth) {
        if (window == windowId)
            return true;
        Reply<xcb_query_pointer_reply_t> reply(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, window), nullptr), &free);
        if (!reply || reply->child == XCB_WINDOW_NONE)
            return false;
        window = reply->child;
    }
    return false;
}

bool XvfbDisplay::closeWindow(quint32 windowId) const
{
    Connection connection = connectTo(m_name);
    if (!connection)
        return false;
    xcb_connection_t *c = connection.get();
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = windowId;
    event.type = atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, windowId, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    return xcb_flush(c) > 0;
}

bool XvfbDisplay::requestSize(quint32 windowId, const QSize &size) const
{
    Connection connection = connectTo(m_name);
    if (!connection || windowId == 0)
        return false;
    xcb_connection_t *c = connection.get();
    const uint32_t values[] = { uint32_t(qMax(1, size.width())), uint32_t(qMax(1, size.height())) };
    xcb_configure_window(c, windowId, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    // A round trip: the server has passed the request on once it answers.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &free);
    return sync != nullptr && !xcb_connection_has_error(c);
}
