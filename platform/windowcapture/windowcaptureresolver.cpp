#include "platform/windowcapture/windowcaptureresolver.h"

#include <QDebug>
#include <QVector>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

const QString WindowCaptureResolver::recordedWindowTitle = QStringLiteral("TaviTeacher.exe");

namespace {
// Longest title read from a window; longer ones cannot match.
constexpr uint32_t titleWords = 256;

struct ConnectionCloser
{
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

template<typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> own(Reply *reply)
{
    return std::unique_ptr<Reply, decltype(&std::free)>(reply, &std::free);
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    auto reply = own(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, uint16_t(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString propertyText(xcb_connection_t *connection, xcb_get_property_cookie_t cookie, bool utf8)
{
    auto reply = own(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 8)
        return QString();
    const int length = xcb_get_property_value_length(reply.get());
    const char *value = static_cast<const char *>(xcb_get_property_value(reply.get()));
    if (length <= 0 || !value)
        return QString();
    return utf8 ? QString::fromUtf8(value, length) : QString::fromLatin1(value, length);
}

// What one window tells about itself; the requests of a whole level of the tree are sent before any answer is
// read, so a walk costs a round trip per level, not per window.
struct Pending
{
    xcb_window_t window;
    xcb_get_property_cookie_t netName;
    xcb_get_property_cookie_t name;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_query_tree_cookie_t tree;
};
} // namespace

WindowCaptureResolver::Window WindowCaptureResolver::findWindow(const QString &title, const QString &display)
{
    Window found;
    found.display = display.isEmpty() ? QString::fromLocal8Bit(qgetenv("DISPLAY")) : display;
    if (found.display.isEmpty() || title.isEmpty()) {
        qWarning() << "no display to find the window on, title:" << title;
        return found;
    }
    int screenNumber = 0;
    Connection connection(xcb_connect(found.display.toLocal8Bit().constData(), &screenNumber));
    if (!connection || xcb_connection_has_error(connection.get())) {
        qWarning() << "the display does not answer:" << found.display;
        return found;
    }
    xcb_connection_t *c = connection.get();
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem <= 0 || !screens.data)
        return found;
    const xcb_window_t root = screens.data->root;
    const xcb_atom_t netWmName = internAtom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8String = internAtom(c, "UTF8_STRING");

    QVector<xcb_window_t> level { root };
    int visited = 0;
    xcb_window_t match = XCB_WINDOW_NONE;
    while (!level.isEmpty() && visited < maxWindows) {
        QVector<Pending> pending;
        pending.reserve(level.size());
        for (xcb_window_t window : qAsConst(level)) {
            if (++visited > maxWindows)
                break;
            Pending request;
            request.window = window;
            request.netName = xcb_get_property(c, 0, window, netWmName, utf8String, 0, titleWords);
            request.name = xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, titleWords);
            request.attributes = xcb_get_window_attributes(c, window);
            request.tree = xcb_query_tree(c, window);
            pending.append(request);
        }
        level.clear();
        for (const Pending &request : qAsConst(pending)) {
            QString name = netWmName != XCB_ATOM_NONE ? propertyText(c, request.netName, true) : QString();
            const QString plainName = propertyText(c, request.name, false);
            if (name.isEmpty())
                name = plainName;
            auto attributes = own(xcb_get_window_attributes_reply(c, request.attributes, nullptr));
            const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            // Children come bottom to top: the last match is the one in front.
            if (shown && request.window != root && name == title)
                match = request.window;
            auto tree = own(xcb_query_tree_reply(c, request.tree, nullptr));
            // The inside of a hidden window is hidden too.
            if (!tree || (!shown && request.window != root))
                continue;
            const xcb_window_t *children = xcb_query_tree_children(tree.get());
            const int count = xcb_query_tree_children_length(tree.get());
            for (int i = 0; i < count; ++i)
                level.append(children[i]);
        }
    }
    if (match == XCB_WINDOW_NONE)
        return found;

    auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, match), nullptr));
    auto position = own(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, match, root, 0, 0), nullptr));
    if (!geometry || geometry->width == 0 || geometry->height == 0)
        return found;
    found.id = match;
    found.geometry = QRect(position ? position->dst_x : geometry->x, position ? position->dst_y : geometry->y,
        geometry->width, geometry->height);
    return found;
}

CaptureSource WindowCaptureResolver::windowSource(
    const QString &title, const QRect &rect, bool useRect, const QString &display)
{
    CaptureSource source;
    const Window window = findWindow(title, display);
    if (window.id == 0)
        return source;
    qInfo() << "window:" << title << "id:" << window.id << "geometry:" << window.geometry;
    source.format = QStringLiteral("x11grab");
    source.url = window.display;
    source.options.append({ QStringLiteral("window_id"), QString::number(window.id) });
    source.options.append({ QStringLiteral("framerate"), QString::number(frameRate) });
    if (useRect) {
        source.options.append({ QStringLiteral("grab_x"), QString::number(rect.left()) });
        source.options.append({ QStringLiteral("grab_y"), QString::number(rect.top()) });
        source.options.append(
            { QStringLiteral("video_size"), QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height()) });
    }
    return source;
}
