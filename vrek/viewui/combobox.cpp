#include "vrek/viewui/combobox.h"

#include "vrek/viewui/comboboxline.h"

#include <QDebug>

ComboBox::ComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    auto *line = new ComboBoxLine(this);
    setLineEdit(line);
    line->setReadOnly(true);
}

void ComboBox::setPlaceholderText(const QString &text)
{
    if (!lineEdit()) {
        qWarning() << "lineEdit is null!";
        return;
    }
    lineEdit()->setPlaceholderText(text);
}
