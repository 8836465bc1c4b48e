#ifndef PLAINTEXT_H
#define PLAINTEXT_H

#include <QMessageBox>
#include <QString>

class QWidget;

// Boxes that tell outside text (a REST reply's error, a name from the class) as it came: QMessageBox's own
// helpers guess rich text from the first tag they see. Labels fix their format where they are made, tool tips go
// through StringUtil::plainToolTip.
class PlainText
{
public:
    // Runs the box, the text clipped, and returns the button pressed.
    static QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok);
};

#endif // PLAINTEXT_H
