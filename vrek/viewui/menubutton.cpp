#include "vrek/viewui/menubutton.h"

MenuButton::MenuButton(QWidget *parent)
    : QToolButton(parent)
    , m_font("微软雅黑", 10, QFont::Normal)
{
    setFont(m_font);
    setFixedHeight(60);
    setIconSize(QSize(30, 30));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setStyleSheet("QToolButton{border:0px;color:#555555;background-color:transparent;}"
                  "QToolButton::hover{border-left:2px solid #7fc0ff;background-color:#e0e6f2;}"
                  "QToolButton::pressed{border-left:2px solid #0081ff;background-color:#d6deeb;}"
                  "QToolButton::checked{border-left:2px solid #0081ff;background-color:#d6deeb;}");
}

void MenuButton::setButtonText(const QString &text)
{
    m_text = text;
    setText(text);
    setToolTip(text);
}
