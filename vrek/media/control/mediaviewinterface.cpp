#include "vrek/media/control/mediaviewinterface.h"

#include <QDebug>
#include <QObject>

namespace {
MediaViewInterface::Maker &maker()
{
    static MediaViewInterface::Maker instance;
    return instance;
}
} // namespace

MediaViewInterface::~MediaViewInterface() = default;

void MediaViewInterface::release(MediaViewInterface *view)
{
    if (!view)
        return;
    if (auto *object = dynamic_cast<QObject *>(view)) {
        object->deleteLater();
        return;
    }
    qWarning() << "mediaView:" << static_cast<void *>(view);
    delete view;
}

void MediaViewInterface::setMaker(Maker made)
{
    maker() = std::move(made);
}

MediaViewInterface *MediaViewInterface::made()
{
    return maker() ? maker()() : nullptr;
}
