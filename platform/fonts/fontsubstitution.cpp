#include "platform/fonts/fontsubstitution.h"

#include <QFont>

QString FontSubstitution::substituteFamily()
{
    return QStringLiteral("WenQuanYi Micro Hei");
}

QStringList FontSubstitution::substitutedFamilies()
{
    return { QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"), QStringLiteral("黑体"),
        QStringLiteral("SimHei") };
}

void FontSubstitution::install()
{
    for (const QString &family : substitutedFamilies())
        QFont::insertSubstitution(family, substituteFamily());
}
