#include "tests/support/windowmaprecorder.h"

#include <QApplication>
#include <QWidget>

#include <xcb/xcb.h>

namespace {
QWidget *widgetOf(quint32 windowId)
{
    // A top-level widget's own native window is the one the server maps.
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->testAttribute(Qt::WA_WState_Created) && quint32(top->internalWinId()) == windowId)
            return top;
    }
    return nullptr;
}
} // namespace

WindowMapRecorder::WindowMapRecorder()
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowMapRecorder::~WindowMapRecorder()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

QList<WindowMapRecorder::Map> WindowMapRecorder::accidentalMaps() const
{
    QList<Map> accidental;
    for (const Map &map : m_maps) {
        if (!map.meantShown)
            accidental.append(map);
    }
    return accidental;
}

bool WindowMapRecorder::hasMapped(quint32 windowId) const
{
    for (const Map &map : m_maps) {
        if (map.windowId == windowId)
            return true;
    }
    return false;
}

QString WindowMapRecorder::describe(quint32 windowId)
{
    QWidget *widget = widgetOf(windowId);
    if (!widget)
        return QString();
    return QStringLiteral("%1 \"%2\" \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), widget->windowTitle());
}

bool WindowMapRecorder::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(result)
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
        return false;
    const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
    // Reported to the window itself (its own structure events), not to a parent watching its children.
    if (map->event != map->window)
        return false;
    QWidget *widget = widgetOf(map->window);
    if (!widget)
        return false;
    m_maps.append({ map->window, describe(map->window), widget->isVisible() });
    return false;
}
