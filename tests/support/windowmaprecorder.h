#ifndef WINDOWMAPRECORDER_H
#define WINDOWMAPRECORDER_H

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QString>

// Every time the X server maps a top-level window of this program (on xcb), as the program hears it: the window,
// what it is, and whether the program meant it shown at that moment (the widget was visible when the map was
// reported). A window the program hid before the window manager got round to mapping it is reported mapped while
// hidden: the manager mapped it anyway. Installed on the application for the object's life.
class WindowMapRecorder : public QAbstractNativeEventFilter
{
public:
    struct Map
    {
        quint32 windowId = 0;
        // The widget's class, object name and window title, or empty when the window is no widget's.
        QString what;
        bool meantShown = false;
    };

    WindowMapRecorder();
    ~WindowMapRecorder() override;

    QList<Map> maps() const { return m_maps; }
    // The maps of windows the program did not mean to show.
    QList<Map> accidentalMaps() const;
    bool hasMapped(quint32 windowId) const;
    void clear() { m_maps.clear(); }

    // What a window is, for a report: class, object name and title.
    static QString describe(quint32 windowId);

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    QList<Map> m_maps;
};

#endif // WINDOWMAPRECORDER_H
