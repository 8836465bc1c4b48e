#include "vrek/media/panels/videoview2.h"

#include "vrek/utils/globalvalue.h"

VideoView2::VideoView2(QWidget *parent)
    : VideoView4(4, QStringLiteral("VideoView2"), parent)
{ }

VideoView2::~VideoView2() = default;

uint VideoView2::freeIndex(const QString &userId) const
{
    return userId == g_userId ? 0 : firstFreeIndex(1);
}
