#ifndef COMBOBOXLINE_H
#define COMBOBOXLINE_H

#include <QLineEdit>

// The read-only field of ComboBox: a press on it opens or closes the list.
class ComboBoxLine : public QLineEdit
{
    Q_OBJECT
public:
    explicit ComboBoxLine(QWidget *parent = nullptr);

    bool isPopupOpen() const { return m_popupOpen; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_popupOpen = false;
};

#endif // COMBOBOXLINE_H
