#include "answercard/answercard.h"

#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDebug>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
const char *const submitStyle
    = "QPushButton{border-image:url(:/image/answer/en1.png);color:#fff;font:bold 14px;font-family:微软雅黑;}"
      "QPushButton:hover{border-image:url(:/image/answer/en2.png);color:#fff;font:bold 14px;font-family:微软雅黑;}";
const char *const optionStyle
    = "QPushButton:!checked{border-image:url(:/image/answer/_r1_c3.png);color:#4E5666;font:bold "
      "16px;font-family:微软雅黑;}QPushButton:checked{border-image:url(:/image/answer/_r1_c1.png);color:#fff;font:bold "
      "16px;font-family:微软雅黑;}";
// Marks of the result: answer 0 right, 1 wrong, anything else none.
constexpr int answerRight = 0;
constexpr int answerWrong = 1;
constexpr int answerNone = 3;
constexpr int optionSide = 34;
constexpr int markSide = 75;
} // namespace

AnswerCard::AnswerCard(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    setWindowFlag(Qt::FramelessWindowHint);
    connect(m_submitButton, &QPushButton::clicked, this, &AnswerCard::OnSubmitAnswer);
    m_buttonGroup = new QButtonGroup();
    m_optionsLayout = new QGridLayout(m_options);
    m_optionsLayout->setContentsMargins(35, 0, 0, 0);
    m_submitButton->setFixedSize(98, 40);
    m_submitButton->setStyleSheet(QString::fromUtf8(submitStyle));
    m_line->setStyleSheet("color:#eee;");
    m_label->setStyleSheet("font:14px;color:#999");
    hide();
}

AnswerCard::~AnswerCard()
{
    delete m_buttonGroup;
}

void AnswerCard::buildForm()
{
    setObjectName("AnswerCard");
    setWindowTitle(QString());
    resize(400, 300);
    setStyleSheet("QWidget#AnswerCard{\n\tbackground-color: white;\n}");
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("verticalLayout");

    auto *gridLayout = new QGridLayout();
    gridLayout->setObjectName("gridLayout");
    m_options = new QWidget(this);
    m_options->setObjectName("options");
    gridLayout->addWidget(m_options, 0, 0);
    verticalLayout->addLayout(gridLayout);

    auto *noteLayout = new QHBoxLayout();
    noteLayout->setObjectName("horizontalLayout");
    noteLayout->setContentsMargins(35, 0, 0, 0);
    m_label = new QLabel(QStringLiteral("备注：选中代表你的作答"), this);
    m_label->setObjectName("label");
    noteLayout->addWidget(m_label, 1);
    noteLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    noteLayout->setStretch(1, 3);
    verticalLayout->addLayout(noteLayout);

    auto *lineLayout = new QHBoxLayout();
    lineLayout->setObjectName("horizontalLayout_3");
    m_line = new QFrame(this);
    m_line->setObjectName("line_2");
    m_line->setFrameShape(QFrame::HLine);
    m_line->setFrameShadow(QFrame::Sunken);
    lineLayout->addWidget(m_line);
    verticalLayout->addLayout(lineLayout);

    auto *buttonLayout = new QHBoxLayout();
    buttonLayout->setObjectName("horizontalLayout_4");
    m_submitButton = new QPushButton(QStringLiteral("等待答题"), this);
    m_submitButton->setObjectName("button_submit");
    buttonLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    buttonLayout->addWidget(m_submitButton);
    buttonLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(buttonLayout);
}

void AnswerCard::clearOptions()
{
    while (QLayoutItem *item = m_optionsLayout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                m_buttonGroup->removeButton(button);
            delete widget;
        }
        delete item;
    }
}

void AnswerCard::deQuestionInfo(QVariantMap question)
{
    m_questionActive = true;
    if (question.isEmpty()) {
        qWarning() << "AnswerCard:"
                   << "the question from teacher is fomat error!" << question;
        return;
    }
    m_questionInfo.type = question.value("type").toInt();
    m_questionInfo.title = question.value("title").toString();
    m_questionInfo.ace = question.value("Ace").toString();
    m_questionInfo.options = question.value("Options").toInt();
    setUiState(m_questionInfo.options, true, m_questionInfo.type, m_questionInfo.title, QStringLiteral("提交答案"),
        true, answerNone, QString(), m_questionInfo.ace);
    emit signalAnswerCardShow();
}

void AnswerCard::onSetOption(int count, bool multi)
{
    m_optionsLayout->setContentsMargins(35, 0, 0, 0);
    clearOptions();
    // The letters end at Z; a count below 0 is none.
    const int options = qBound(0, count, maxOptions);
    if (options != count)
        qWarning() << "AnswerCard: options out of range, count:" << count;
    for (int i = 0; i < options; ++i) {
        auto *button = new QPushButton(QString(QChar('A' + i)), m_options);
        button->setFixedSize(optionSide, optionSide);
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setStyleSheet(QString::fromUtf8(optionStyle));
        m_buttonGroup->addButton(button, i);
        // Six to a row: A-F, then G-L, and so on.
        m_optionsLayout->addWidget(button, i / optionsPerRow, i % optionsPerRow, Qt::AlignLeft);
    }
    m_buttonGroup->setExclusive(multi);
}

void AnswerCard::setUiState(int answerCount, bool resetButton, int type, QString value, QString buttonText,
    bool ButtonEnable, int answer, QString yourAnswer, QString rightAnswer)
{
    Q_UNUSED(value)
    if (answerCount != m_optionsLayout->count() || resetButton)
        onSetOption(answerCount, type != 0);
    qInfo() << "type:" << type;
    switch (type) {
    case 0:
        setWindowTitle(QStringLiteral("单选题"));
        m_buttonGroup->setExclusive(true);
        break;
    case 1:
        setWindowTitle(QStringLiteral("多选题"));
        m_buttonGroup->setExclusive(false);
        break;
    case 2:
        setWindowTitle(QStringLiteral("题型"));
        break;
    default:
        break;
    }
    m_submitButton->setEnabled(ButtonEnable);
    m_submitButton->setText(buttonText);

    if (ButtonEnable || yourAnswer.isEmpty()) {
        m_label->show();
        m_line->show();
        m_submitButton->show();
        return;
    }
    clearOptions();
    auto *mark = new QLabel(m_options);
    mark->setObjectName("markLabel");
    mark->setFixedSize(markSide, markSide);
    // The right answer comes from the lecturer's side as it typed it: clipped like any outside text.
    const QString shownRight = StringUtil::clippedText(rightAnswer);
    auto *yours = new QLabel(QStringLiteral("你的答案：%1").arg(yourAnswer), m_options);
    yours->setObjectName("yourAnswerLabel");
    auto *right = new QLabel(QStringLiteral("正确答案：%1").arg(shownRight), m_options);
    right->setObjectName("rightAnswerLabel");
    const int textWidth = int(qMax((yourAnswer.size() + 10) * 6, (shownRight.size() + 10) * 6) * g_uiScale);
    for (QLabel *text : { yours, right }) {
        text->setTextFormat(Qt::PlainText);
        text->setStyleSheet("font:14x;color:#000");
        // Never narrower than the text itself: a cut answer reads as another answer.
        text->ensurePolished();
        text->setFixedSize(qMax(textWidth, text->sizeHint().width()), 30);
    }
    if (answer == answerRight)
        mark->setStyleSheet("border-image: url(:/image/answer/yes_1.png);");
    else if (answer == answerWrong)
        mark->setStyleSheet("border-image: url(:/image/answer/wrong_1.png);");
    m_optionsLayout->setContentsMargins(0, 29, 0, 0);
    m_optionsLayout->addWidget(mark, 0, 0, Qt::AlignCenter);
    m_optionsLayout->addWidget(yours, 1, 0, Qt::AlignCenter);
    m_optionsLayout->addWidget(right, 2, 0, Qt::AlignCenter);
    m_label->hide();
    m_line->hide();
    m_submitButton->hide();
}

void AnswerCard::OnSubmitAnswer()
{
    if (!m_questionActive)
        return;
    QString answer;
    for (QAbstractButton *button : m_buttonGroup->buttons()) {
        if (button->isChecked())
            answer += button->text();
    }
    if (answer.isEmpty()) {
        showChoiceBox();
        return;
    }
    const bool right = answer == m_questionInfo.ace;
    if (!g_socketClientManager || !g_socketClientManager->canDeliver()) {
        // Told, and the card stays as it is: the answer can be submitted again once the connection is back.
        qWarning() << "the connection cannot deliver now, the answer is kept:" << answer;
        showNoticeBox(QStringLiteral("网络连接已断开，答案未提交，请稍后再提交"));
        return;
    }
    g_socketClientManager->sendAnswerInfo(answer, right ? QStringLiteral("yes") : QStringLiteral("no"));
    setUiState(m_questionInfo.options, false, m_questionInfo.type, m_questionInfo.title, QStringLiteral("提交成功"),
        false, right ? answerRight : answerWrong, answer, m_questionInfo.ace);
}

void AnswerCard::showChoiceBox()
{
    showNoticeBox(QStringLiteral("请选择答案!"));
}

void AnswerCard::showNoticeBox(const QString &text)
{
    if (m_choiceBox) {
        m_choiceBox->setText(text);
        m_choiceBox->raise();
        m_choiceBox->activateWindow();
        return;
    }
    // Over the card and blocking only the card, and gone with it: a box left behind when the lecturer ends the
    // question would block the class window from under it.
    m_choiceBox = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), text, QMessageBox::Ok, this);
    m_choiceBox->setAttribute(Qt::WA_DeleteOnClose);
    m_choiceBox->open();
}

void AnswerCard::closeChoiceBox()
{
    if (m_choiceBox)
        m_choiceBox->close();
}

void AnswerCard::hideEvent(QHideEvent *event)
{
    closeChoiceBox();
    QWidget::hideEvent(event);
}

void AnswerCard::OnStopQuestion()
{
    closeChoiceBox();
    setUiState(0, false, 2, QString(), QStringLiteral("等待答题"), false, answerNone, QString(), QString());
}

void AnswerCard::exitQuestion()
{
    setUiState(0, true, 2, QString(), QStringLiteral("等待答题"), false, answerNone, QString(), QString());
    m_questionActive = false;
    hide();
}
