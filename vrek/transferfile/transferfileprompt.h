#ifndef TRANSFERFILEPROMPT_H
#define TRANSFERFILEPROMPT_H

#include <QString>

class QWidget;

// What the transfer windows ask of the user: the file to upload, where to save a file, a notice and a yes-or-no
// question. Modal dialogs by default; tests put answers of their own in their place.
class TransferFilePrompt
{
public:
    virtual ~TransferFilePrompt();

    // The chosen path, empty when nothing was chosen.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &filter);
    // The path to save under, starting at the proposed one; empty when the user cancelled.
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &proposed, const QString &filter);
    virtual void information(QWidget *parent, const QString &title, const QString &text);
    // True for the yes button.
    virtual bool question(
        QWidget *parent, const QString &title, const QString &text, const QString &yes, const QString &no);
};

#endif // TRANSFERFILEPROMPT_H
