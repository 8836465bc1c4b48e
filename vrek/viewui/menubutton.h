#ifndef MENUBUTTON_H
#define MENUBUTTON_H

#include <QToolButton>

// The tool button of the main menu: icon above its text.
class MenuButton : public QToolButton
{
    Q_OBJECT
public:
    explicit MenuButton(QWidget *parent = nullptr);

    // Text and tool tip are the same string.
    virtual void setButtonText(const QString &text);
    QString buttonText() const { return m_text; }

private:
    QString m_text;
    QFont m_font;
};

#endif // MENUBUTTON_H
