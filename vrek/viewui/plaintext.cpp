#include "vrek/viewui/plaintext.h"

#include "vrek/utils/stringutil.h"

QMessageBox::StandardButton PlainText::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, StringUtil::clippedText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}
