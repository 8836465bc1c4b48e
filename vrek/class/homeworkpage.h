#ifndef HOMEWORKPAGE_H
#define HOMEWORKPAGE_H

#include <QWebPage>

// The homework page's web page. A link whose content goes to the homework widget (an attachment) ends the page's
// own load of it with "frame load interrupted by policy change"; QtWebKit would show an error page for that in
// place of the homework list, so that one error shows none. Every other error is left to QtWebKit.
class HomeworkPage : public QWebPage
{
    Q_OBJECT
public:
    // WebKit's error code of a load handed over as unsupported content.
    static constexpr int interruptedByPolicyChange = 102;

    explicit HomeworkPage(QObject *parent = nullptr);

    bool extension(Extension extension, const ExtensionOption *option, ExtensionReturn *output) override;
};

#endif // HOMEWORKPAGE_H
