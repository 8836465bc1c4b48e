#include "vrek/viewui/ffmpegcheck.h"

#include "platform/lazyffmpeg/ffmpegloader.h"
#include "vrek/viewui/plaintext.h"

#include <QDebug>
#include <QWidget>

QString FfmpegCheck::failureText()
{
    const QString library = FfmpegLoader::missingLibrary();
    const QString function = FfmpegLoader::missingFunction();
    if (!function.isEmpty())
        return QStringLiteral("运行库 %1 缺少函数 %2，无法进入课堂。请重新安装本程序。").arg(library, function);
    return QStringLiteral("缺少运行库 %1，无法进入课堂。请重新安装本程序。").arg(library);
}

bool FfmpegCheck::readyOrTold(QWidget *owner)
{
    if (FfmpegLoader::ensureLoaded())
        return true;
    qWarning().noquote() << "the class is not entered: FFmpeg cannot be loaded:" << FfmpegLoader::missingLibrary()
                         << FfmpegLoader::missingFunction() << FfmpegLoader::reason();
    PlainText::message(owner ? owner->window() : nullptr, QMessageBox::Critical, QStringLiteral("提示"), failureText());
    return false;
}
