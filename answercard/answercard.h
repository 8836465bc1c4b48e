#ifndef ANSWERCARD_H
#define ANSWERCARD_H

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

class QButtonGroup;
class QFrame;
class QGridLayout;
class QLabel;

class QPushButton;

// The quiz card of the school class window. A question from the lecturer lays out one lettered button per
// option; a submission compares the picked letters with the correct ones the question carries, tells the
// class server the verdict and shows the result. The lecturer may stop a question (back to waiting) or close
// it (the card hides). The class window frames the card and shows the frame on signalAnswerCardShow.
class AnswerCard : public QWidget
{
    Q_OBJECT
public:
    // Letters A to Z: a question offers at most this many options.
    static constexpr int maxOptions = 26;
    static constexpr int optionsPerRow = 6;

    struct QuestionInfo
    {
        int type = 0; // 0 single choice, 1 multiple choice, 2 another kind
        QString title;
        int options = 0;
        QString ace; // the letters of the right options, "AC"
    };

    explicit AnswerCard(QWidget *parent = nullptr);
    ~AnswerCard() override;

    QuestionInfo questionInfo() const { return m_questionInfo; }
    bool isQuestionActive() const { return m_questionActive; }
    QButtonGroup *buttonGroup() const { return m_buttonGroup; }
    QGridLayout *optionsLayout() const { return m_optionsLayout; }
    // The "请选择答案!" box while it is open.
    QMessageBox *choiceBox() const { return m_choiceBox; }

signals:
    void signalAnswerCardShow();

public slots:
    void deQuestionInfo(QVariantMap question);
    void OnStopQuestion();
    void exitQuestion();
    void OnSubmitAnswer();
    void onSetOption(int count, bool multi);
    void setUiState(int answerCount, bool resetButton, int type, QString value, QString buttonText, bool ButtonEnable,
        int answer, QString yourAnswer, QString rightAnswer);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void buildForm();
    void showChoiceBox();
    void showNoticeBox(const QString &text);
    void closeChoiceBox();
    void clearOptions();

    QuestionInfo m_questionInfo;
    QWidget *m_options = nullptr;
    QLabel *m_label = nullptr;
    QFrame *m_line = nullptr;
    QPushButton *m_submitButton = nullptr;
    QButtonGroup *m_buttonGroup = nullptr;
    QGridLayout *m_optionsLayout = nullptr;
    bool m_questionActive = false;
    QPointer<QMessageBox> m_choiceBox;
};

#endif // ANSWERCARD_H
