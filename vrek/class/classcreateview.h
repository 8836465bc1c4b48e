#ifndef CLASSCREATEVIEW_H
#define CLASSCREATEVIEW_H

#include "vrek/model/groupinfo.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

#include <functional>

class ComboBox;
class QDateEdit;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The form in which a user names a new course, picks a class the classroom server offers, a start and a length,
// and sends the create request over the classroom connection.
class ClassCreateView : public QWidget
{
    Q_OBJECT
public:
    explicit ClassCreateView(QWidget *parent = nullptr);

    // Tests set the clock the start is chosen and checked against.
    void setClock(const std::function<QDateTime()> &clock) { m_clock = clock; }
    // Fills the start fields from a time: the next multiple of five minutes.
    void initialStartTime(const QDateTime &now);
    // The start the fields give, or an invalid date-time.
    QDateTime startTime() const;
    QList<GroupInfo> subjects() const { return m_subjects; }

signals:
    void signalCloseOut();

public slots:
    void slotRecvSubjectInfo(const QList<GroupInfo> &subjects);
    void slotRecvCreateProtocol(const QString &line);
    void slotCancelButtonClicked();
    void slotSubmitButtonClicked();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    void endWaiting();
    void showInformation(const QString &text);
    bool requestSubjects();
    bool sendCreateRequest(const QString &json);

    // The form.
    QVBoxLayout *m_classCreateLayout = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_classNameLabel = nullptr;
    QLineEdit *m_classNameLineEdit = nullptr;
    QLabel *m_classGradeLabel = nullptr;
    ComboBox *m_classGradeComboBox = nullptr;
    QLabel *m_startDateLabel1 = nullptr;
    QDateEdit *m_startDateEdit = nullptr;
    QComboBox *m_startComboBox1 = nullptr;
    QLabel *m_startDateLabel2 = nullptr;
    QComboBox *m_startComboBox2 = nullptr;
    QLabel *m_startDateLabel3 = nullptr;
    QLabel *m_classTimeLabel1 = nullptr;
    QComboBox *m_classTimeComboBox = nullptr;
    QLabel *m_classTimeLabel2 = nullptr;
    QLabel *m_tipLabel = nullptr;
    QPushButton *m_cancelPushButton = nullptr;
    QPushButton *m_submitPushButton = nullptr;

    QList<GroupInfo> m_subjects;
    std::function<QDateTime()> m_clock;
    // A create request is out and its reply not yet read: only then does a create reply mean anything here.
    bool m_awaitingReply = false;
};

#endif // CLASSCREATEVIEW_H
