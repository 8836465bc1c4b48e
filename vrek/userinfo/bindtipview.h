#ifndef BINDTIPVIEW_H
#define BINDTIPVIEW_H

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpacerItem;
class SettingConfig;
class TipWidget;

// The personal-centre page of the course-list window: the signed-in user's name, phone, grade and class and the
// masked password, read from the session each time the page is filled, and a panel that changes the password over
// the REST client. Input is checked as it is typed and again on confirmation.
class BindTipView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int maxPasswordLength = 16;
    static constexpr int minPasswordLength = 6;
    static constexpr unsigned int tipSeconds = 5;

    explicit BindTipView(QWidget *parent = nullptr);
    ~BindTipView() override;

    // Fills the page from the session and closes the change panel.
    void updatePersonalInfo();
    // The confirm action of the change panel.
    void updateDataInfo();
    bool checkPasswordInput();
    // Keeps only the letters and digits a password may hold; false when something was dropped.
    static bool filterPasswordText(QString &text);

    QString pendingPassword() const { return m_newPassWord; }
    TipWidget *tipWidget() const { return m_tipWidget; }

signals:
    // The session has expired: the application's relogin view starts a relogin with the stored account.
    void signalReLoginOut();

public slots:
    void slotSaveData(const QString &result);
    void slotGetPersonalData(const QString &reply);
    void slotSavePersonalData(const QString &reply);
    void verifyPassword(const QString &text);

private:
    void buildForm();
    void initial();
    void informationBox(const QString &text);

    SettingConfig &m_setting;
    TipWidget *m_tipWidget = nullptr;
    QString m_newPassWord;

    // The form.
    QWidget *m_horizontalWidget = nullptr;
    QLabel *m_personLabel = nullptr;
    QWidget *m_verticalWidget = nullptr;
    QWidget *m_nameWiget = nullptr;
    QLabel *m_userNameLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    QWidget *m_phoneWidget = nullptr;
    QLabel *m_phoneCaption = nullptr;
    QLabel *m_phoneLabel = nullptr;
    QWidget *m_classWidget = nullptr;
    QLabel *m_classLabel = nullptr;
    QLabel *m_classNameLabel = nullptr;
    QWidget *m_oldPasswordWidget = nullptr;
    QLabel *m_passwordlabel = nullptr;
    QLineEdit *m_passwordLineEdit = nullptr;
    QPushButton *m_resetButton = nullptr;
    QWidget *m_passwordWidget = nullptr;
    QLineEdit *m_oldPasswordLineEdit = nullptr;
    QLabel *m_oldPasswordTip = nullptr;
    QLineEdit *m_newPasswordLineEdit = nullptr;
    QLabel *m_newPasswordTip = nullptr;
    QLineEdit *m_surePasswordLineEdit = nullptr;
    QLabel *m_surePasswordTip = nullptr;
    QWidget *m_buttonWidget = nullptr;
    QPushButton *m_sureButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QSpacerItem *m_nameSpacer = nullptr;
    QSpacerItem *m_phoneSpacer = nullptr;
    QSpacerItem *m_classSpacer = nullptr;
    QSpacerItem *m_passwordSpacer = nullptr;
    QSpacerItem *m_oldSpacer = nullptr;
    QSpacerItem *m_newSpacer = nullptr;
    QSpacerItem *m_sureSpacer = nullptr;
};

#endif // BINDTIPVIEW_H
