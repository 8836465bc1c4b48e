#include "vrek/viewui/comboboxline.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QMouseEvent>

ComboBoxLine::ComboBoxLine(QWidget *parent)
    : QLineEdit(parent)
{ }

void ComboBoxLine::mousePressEvent(QMouseEvent *event)
{
    auto *combo = qobject_cast<QComboBox *>(parentWidget());
    if (event->button() == Qt::LeftButton && combo) {
        // The list may have been closed elsewhere (a click outside, a key): its own visibility counts, not a
        // flag of ours that would then take two presses to open it again.
        m_popupOpen = combo->view() && combo->view()->isVisible();
        if (m_popupOpen)
            combo->hidePopup();
        else
            combo->showPopup();
        m_popupOpen = !m_popupOpen;
    }
    QLineEdit::mousePressEvent(event);
}
