#ifndef CHATITEMWIDGET_H
#define CHATITEMWIDGET_H

#include <QPixmap>
#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QSpacerItem;
class QTextEdit;

// One row of the chat list: a centred time line, an own message (bubble on the right, head picture right of
// it) or another participant's message (head picture on the left). The list sizes its item from the row.
class ChatItemWidget : public QWidget
{
    Q_OBJECT
public:
    enum Kind {
        TimeLine = 0,
        OwnMessage = 1,
        OtherMessage = 2,
    };

    static constexpr int headSide = 30;
    // The width of an empty text: an empty bubble still has a size.
    static constexpr int emptyTextWidth = 10;

    // The text is shown as it came; the name is rich text whose outside parts the caller escaped. The head pixmap
    // is not used: the picture comes from the user type.
    ChatItemWidget(const QString &text, int kind, int listWidth, const QString &name, const QString &userType,
        const QPixmap &head = QPixmap(), QWidget *parent = nullptr);
    ~ChatItemWidget() override;

    void fitToWidth(int listWidth);
    int textWidth() const;

    int kind() const { return m_kind; }
    QString text() const { return m_text; }
    QTextEdit *textBox() const { return m_textEdit; }
    QTextEdit *nameBox() const { return m_nameEdit; }
    QLabel *headLabel() const { return m_headLabel; }

private:
    QHBoxLayout *m_rowLayout;
    QTextEdit *m_textEdit;
    QSpacerItem *m_leftSpacer;
    QSpacerItem *m_rightSpacer;
    QWidget *m_nameWidget;
    QTextEdit *m_nameEdit;
    QLabel *m_headLabel;
    int m_kind;
    QPixmap *m_headPixmap = nullptr;
    QString m_text;
};

#endif // CHATITEMWIDGET_H
