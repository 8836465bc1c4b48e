#include "vrek/chat/chatitemwidget.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpacerItem>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtMath>

namespace {
const char *const textStyle = "QTextEdit {background-color: white;border-top-width: 11px;border-right-width: "
                              "4px;border-bottom-width: 4px;border-left-width: 11px;}";
const char *const lecturerBubbleStyle
    = "QTextEdit {background-color: #0081ff;border-radius: 10px; border:0px solid #0081ff;color:#ffffff;"
      "border-top-width: 3px;border-right-width: 6px;border-bottom-width: 3px;border-left-width: 6px;}";
const char *const bubbleStyle
    = "QTextEdit {background-color:#f0f0f0;border-radius: 10px; border:1px solid #f0f0f0;border-top-width: "
      "3px;border-right-width: 6px;border-bottom-width: 3px;border-left-width: 6px;color:#222222;}";
const char *const timeStyle = "QTextEdit {background-color: transparent;border-top-width: 11px;border-right-width: "
                              "4px;border-bottom-width: 4px;border-left-width: 11px;color:#999999;}";

// Space kept beside the bubble, head picture aside.
constexpr int sideSpace = 60;
// Padding of a bubble around its text.
constexpr int bubblePadding = 24;
// Space a bubble's text wraps before.
constexpr int wrapPadding = 20;
constexpr double lineHeight = 14.6;
constexpr double bubbleExtraHeight = 15.0;
// A list narrower than head and side space still gives a bubble that holds an empty text on one line, and
// never a width that is zero or negative.
constexpr int minTextSpace = ChatItemWidget::emptyTextWidth + bubblePadding + wrapPadding;

void setReadOnlyText(QTextEdit *edit)
{
    edit->setReadOnly(true);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
}

// The document's size, rounded up, and the box's frame around it: a box of the bare document size wraps its one
// line.
QSize framedDocumentSize(QTextEdit *edit)
{
    edit->ensurePolished();
    const QMargins frame = edit->contentsMargins();
    edit->document()->adjustSize();
    const QSizeF size = edit->document()->size();
    return QSize(
        qCeil(size.width()) + frame.left() + frame.right(), qCeil(size.height()) + frame.top() + frame.bottom());
}

// Lines as high as the bubble's height counts them, whatever the font's own line spacing: the text then fits
// the bubble on every platform.
void setLineHeight(QTextEdit *edit, double height)
{
    QTextCursor cursor(edit->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(height, QTextBlockFormat::FixedHeight);
    cursor.mergeBlockFormat(format);
}
} // namespace

ChatItemWidget::ChatItemWidget(const QString &text, int kind, int listWidth, const QString &name,
    const QString &userType, const QPixmap &head, QWidget *parent)
    : QWidget(parent)
    , m_rowLayout(new QHBoxLayout(this))
    , m_textEdit(new QTextEdit(this))
    , m_leftSpacer(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum))
    , m_rightSpacer(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum))
    , m_nameWidget(new QWidget(this))
    , m_nameEdit(new QTextEdit(m_nameWidget))
    , m_headLabel(new QLabel(this))
    , m_kind(kind)
    , m_text(StringUtil::clippedText(text))
{
    Q_UNUSED(head)
    setStyleSheet("background-color: transparent;");
    m_rowLayout->setContentsMargins(0, 0, 0, 0);

    QString headPath;
    QString nameStyle;
    if (userType == QLatin1String("0")) {
        headPath = QStringLiteral(":/vrek/image/userchat/teacherHead.png");
        nameStyle = QStringLiteral("QTextEdit{color:#0081ff;}");
    } else if (userType == QLatin1String("1")) {
        headPath = QStringLiteral(":/vrek/image/userchat/studentHead.png");
        nameStyle = QStringLiteral("QTextEdit {}");
    } else if (userType == QLatin1String("5")) {
        headPath = QStringLiteral(":/vrek/image/userinfoview/head_03.png");
        nameStyle = QStringLiteral("QTextEdit{color:#0081ff;}");
    }
    if (!headPath.isEmpty()) {
        m_headPixmap = new QPixmap(headPath);
        m_headLabel->setPixmap(
            m_headPixmap->scaled(headSide, headSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    m_headLabel->adjustSize();
    if (!nameStyle.isEmpty())
        m_nameEdit->setStyleSheet(nameStyle);

    setReadOnlyText(m_textEdit);
    m_textEdit->setPlainText(m_text);
    m_textEdit->setStyleSheet(textStyle);
    QFont font = m_textEdit->font();
    font.setPointSize(10);
    m_textEdit->setFont(font);

    setReadOnlyText(m_nameEdit);
    // The list hands the name marked up (red for a prime sender), the name itself escaped.
    m_nameEdit->setHtml(name);

    if (kind == OwnMessage || kind == OtherMessage) {
        const Qt::Alignment side = kind == OwnMessage ? Qt::AlignRight : Qt::AlignLeft;
        auto *nameLayout = new QVBoxLayout(m_nameWidget);
        nameLayout->setContentsMargins(0, 0, 0, 0);
        nameLayout->setSpacing(12);
        nameLayout->addWidget(m_nameEdit, 0, side);
        m_textEdit->setParent(m_nameWidget);
        nameLayout->addWidget(m_textEdit, 1, side);
        if (kind == OwnMessage) {
            m_rowLayout->addItem(m_leftSpacer);
            m_rowLayout->addWidget(m_nameWidget, 0, Qt::AlignTop);
            m_rowLayout->addWidget(m_headLabel, 0, Qt::AlignTop);
        } else {
            m_rowLayout->addWidget(m_headLabel, 0, Qt::AlignTop);
            m_rowLayout->addWidget(m_nameWidget, 0, Qt::AlignTop);
            m_rowLayout->addItem(m_leftSpacer);
        }
        m_textEdit->setStyleSheet(userType == QLatin1String("0") ? lecturerBubbleStyle : bubbleStyle);
        delete m_rightSpacer;
        m_rightSpacer = nullptr;
    } else if (kind == TimeLine) {
        m_nameWidget->hide();
        m_headLabel->hide();
        m_rowLayout->addItem(m_leftSpacer);
        m_rowLayout->addWidget(m_textEdit);
        m_rowLayout->addItem(m_rightSpacer);
        m_textEdit->setStyleSheet(timeStyle);
    } else {
        delete m_leftSpacer;
        delete m_rightSpacer;
        m_leftSpacer = nullptr;
        m_rightSpacer = nullptr;
    }
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    fitToWidth(listWidth);
}

ChatItemWidget::~ChatItemWidget()
{
    delete m_headPixmap;
}

int ChatItemWidget::textWidth() const
{
    if (m_text.isEmpty())
        return emptyTextWidth;
    return QFontMetrics(m_textEdit->font()).horizontalAdvance(m_text);
}

int ChatItemWidget::messageHeight(int lines)
{
    const ChatItemWidget probe(QStringLiteral("行"), OtherMessage, 400, QStringLiteral("名"), QStringLiteral("1"));
    return probe.height() + int(qMax(0, lines - 1) * lineHeight * g_uiScale);
}

void ChatItemWidget::fitToWidth(int listWidth)
{
    if (m_kind == TimeLine) {
        m_textEdit->setFixedSize(framedDocumentSize(m_textEdit));
        setFixedHeight(m_textEdit->height() + 6);
        return;
    }
    if (m_kind != OwnMessage && m_kind != OtherMessage)
        return;
    m_nameEdit->setFixedSize(framedDocumentSize(m_nameEdit));
    const int width = textWidth();
    setLineHeight(m_textEdit, lineHeight * g_uiScale);
    m_textEdit->document()->adjustSize();
    const int space = qMax(listWidth - sideSpace - m_headLabel->width(), minTextSpace);
    m_textEdit->setFixedWidth(width < space - bubblePadding ? width + bubblePadding : space);
    int lines = qMax(1, int(qCeil(double(width) / double(space - wrapPadding))));
    // The lines as the bubble really wraps them at its width: a line breaks before the character that does not
    // fit, so nearly full lines make one more than the widths alone count.
    const QMargins frame = m_textEdit->contentsMargins();
    QTextDocument *document = m_textEdit->document();
    document->setTextWidth(qMax(1, m_textEdit->width() - frame.left() - frame.right()));
    document->size(); // laid out
    int laidOut = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        laidOut += block.layout() ? block.layout()->lineCount() : 0;
    lines = qMax(lines, laidOut);
    m_textEdit->setFixedHeight(int(lines * lineHeight * g_uiScale + bubbleExtraHeight));
    setFixedHeight(qMax(m_textEdit->height() + m_nameEdit->height() + 20, m_headLabel->height()));
}
