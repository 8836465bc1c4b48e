#include "vrek/class/homeworkpage.h"

HomeworkPage::HomeworkPage(QObject *parent)
    : QWebPage(parent)
{ }

bool HomeworkPage::extension(Extension extension, const ExtensionOption *option, ExtensionReturn *output)
{
    if (extension == ErrorPageExtension && option) {
        const auto *error = static_cast<const ErrorPageExtensionOption *>(option);
        if (error->domain == WebKit && error->error == interruptedByPolicyChange)
            return false;
    }
    return QWebPage::extension(extension, option, output);
}
