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

    // The text is shown as it came, clipped as any outside text is (a megabyte in one word would hold the GUI
    // thread for minutes in the box's layout); the name is rich text whose outside parts the caller clipped and
    // escaped. The head pixmap is not used: the picture comes from the user type.
    ChatItemWidget(const QString &text, int kind, int listWidth, const QString &name, const QString &userType,
        const QPixmap &head = QPixmap(), QWidget *parent = nullptr);
    ~ChatItemWidget() override;

    // The height of a message row whose text takes the given number of lines: what the chat list keeps room for.
    static int messageHeight(int lines);

    void fitToWidth(int listWidth);
    // The width of the shown text, which is clipped: a whole megabyte would be measured otherwise.
    int textWidth() const;

    int kind() const { return m_kind; }
    // The text as shown.
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
