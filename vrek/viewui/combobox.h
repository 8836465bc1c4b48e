#ifndef COMBOBOX_H
#define COMBOBOX_H

#include <QComboBox>

// A read-only combo box whose whole field opens and closes the list, and which can show a placeholder.
class ComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboBox(QWidget *parent = nullptr);

    void setPlaceholderText(const QString &text);
};

#endif // COMBOBOX_H
