#ifndef MEDIAVIEWINTERFACE_H
#define MEDIAVIEWINTERFACE_H

#include "vrek/utils/globalenum.h"

#include <QString>

#include <functional>

class PushStreamInterface;

// What the class windows ask of the media panel the lesson type chose; they place it as a QWidget and drive
// it through these operations only.
class MediaViewInterface
{
public:
    virtual ~MediaViewInterface();
    // Second-stage set-up, once the class window is shown.
    virtual void initialLater() = 0;
    virtual GlobalEnum::PushStreamState getPushStreamState() = 0;
    virtual void stopAllPullStream() = 0;
    virtual void stopPullStream(const QString &userId) = 0;
    // The panel's stream controller, or null while it has none: check before passing it on.
    virtual PushStreamInterface *getPushStreamInterface() = 0;
    // Replays the panel's media state to a user who joined late.
    virtual void sendLateState(const QString &userId) const = 0;
    // True when a push was stopped.
    virtual bool stopPushStreamLect() = 0;
    virtual bool stopPushStreamListener() = 0;
    virtual void lectOnline(const QString &userId) = 0;

    // Releases a class window's panel: a panel that is an object goes with the event loop; any other is deleted
    // at once, with a warning. Null does nothing.
    static void release(MediaViewInterface *view);

    // Tests give the class windows a panel of their own in place of the one the lesson's type chooses; an empty
    // maker restores the choice. made() is null while no maker is set.
    using Maker = std::function<MediaViewInterface *()>;
    static void setMaker(Maker maker);
    static MediaViewInterface *made();
};

#endif // MEDIAVIEWINTERFACE_H
