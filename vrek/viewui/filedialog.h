#ifndef FILEDIALOG_H
#define FILEDIALOG_H

#include <QString>

class QFileDialog;
class QWidget;

// Qt's own file dialog as the client shows it: owned by the window of the widget that asks (a box of that
// window, blocking it alone), and clear of the panels' style sheets, which would take the frames off its fields;
// its texts are Qt's Chinese catalogue's, and its date column reads in Chinese.
namespace FileDialog {
// The dialog, set up but not shown; tests look at it before it runs.
QFileDialog *make(QWidget *parent, const QString &title, const QString &folder, const QString &filter);
// The chosen path, empty when the student cancelled.
QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter);
QString saveFile(QWidget *parent, const QString &title, const QString &proposed, const QString &filter);
} // namespace FileDialog

#endif // FILEDIALOG_H
