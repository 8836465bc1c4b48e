#ifndef USERINFO_H
#define USERINFO_H

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

// One participant of the joined lesson: who they are, whether they are present, and the small states the
// in-class views show by their name. The head picture is a QImage so that records copy safely on the stream
// threads; views turn it into a pixmap.
class UserInfo
{
public:
    UserInfo();
    UserInfo(const QString &userId, const QString &userName, const QString &userType);
    virtual ~UserInfo();
    UserInfo(const UserInfo &) = default;
    UserInfo &operator=(const UserInfo &) = default;

    // Two records are the same participant when their user ids are equal.
    bool operator==(const UserInfo &other) const { return m_userId == other.m_userId; }
    bool operator!=(const UserInfo &other) const { return !(*this == other); }

    // Rebuilds the head picture from the user type, the mute, prime and listener flags.
    void updateHeadPixmap();
    // The base picture of a user type ("" when the type has none).
    static QString headImagePath(const QString &userType, bool noTalk);

    static QString cameraIcon02() { return QStringLiteral(":/vrek/image/userinfoview/camera_02.png"); }
    static QString cameraIcon03() { return QStringLiteral(":/vrek/image/userinfoview/camera_03.png"); }
    static QString cameraIcon04() { return QStringLiteral(":/vrek/image/userinfoview/camera_04.png"); }
    static QString handUpIcon() { return QStringLiteral(":/vrek/image/userinfoview/handup_01.png"); }
    static QString listenerIcon() { return QStringLiteral(":/vrek/image/userinfoview/listener.png"); }
    static QString praiseIcon01() { return QStringLiteral(":/vrek/image/userinfoview/praise_01.png"); }
    static QString praiseIcon02() { return QStringLiteral(":/vrek/image/userinfoview/praise_02.png"); }
    static QString primeIcon() { return QStringLiteral(":/vrek/image/userinfoview/prime.png"); }

    QString getUserId() const { return m_userId; }
    void setUserId(const QString &userId) { m_userId = userId; }
    QString getUserName() const { return m_userName; }
    void setUserName(const QString &userName) { m_userName = userName; }
    // "0" to "5", a GlobalEnum::UserType.
    QString getUserType() const { return m_userType; }
    void setUserType(const QString &userType) { m_userType = userType; }
    QString getClassCode() const { return m_classCode; }
    void setClassCode(const QString &classCode) { m_classCode = classCode; }
    QString getClassName() const { return m_className; }
    void setClassName(const QString &className) { m_className = className; }
    // The account of a second (non-main) login of the participant while one is present.
    QString getAccountId() const { return m_accountId; }
    void setAccountId(const QString &accountId) { m_accountId = accountId; }
    qint32 getCameraState() const { return m_cameraState; }
    void setCameraState(qint32 state) { m_cameraState = state; }
    qint32 getLoginDevice() const { return m_loginDevice; }
    void setLoginDevice(qint32 device) { m_loginDevice = device; }
    QImage getHeadPixmap() const { return m_headPixmap; }
    void setHeadPixmap(const QImage &image) { m_headPixmap = image; }
    bool getCameraOn() const { return m_cameraOn; }
    void setCameraOn(bool on) { m_cameraOn = on; }
    bool getHandUp() const { return m_handUp; }
    void setHandUp(bool up) { m_handUp = up; }
    bool getOnline() const { return m_online; }
    void setOnline(bool online) { m_online = online; }
    bool getNoTalk() const { return m_noTalk; }
    void setNoTalk(bool noTalk) { m_noTalk = noTalk; }
    bool getPrime() const { return m_prime; }
    void setPrime(bool prime) { m_prime = prime; }
    // A second, non-main login of the same user is present.
    bool getListener() const { return m_listener; }
    void setListener(bool listener) { m_listener = listener; }
    // Reset to 0 for everyone when the lecturer leaves.
    qint32 getExtraState() const { return m_extraState; }
    void setExtraState(qint32 state) { m_extraState = state; }

    // Carried and copied for the views; nothing in the connection sets them.
    QString getExtraText1() const { return m_extraText1; }
    void setExtraText1(const QString &text) { m_extraText1 = text; }
    QString getExtraText2() const { return m_extraText2; }
    void setExtraText2(const QString &text) { m_extraText2 = text; }
    QString getExtraText3() const { return m_extraText3; }
    void setExtraText3(const QString &text) { m_extraText3 = text; }
    bool getExtraFlag() const { return m_extraFlag; }
    void setExtraFlag(bool flag) { m_extraFlag = flag; }

private:
    QString m_userId;
    QString m_userName;
    QString m_extraText1;
    QString m_userType;
    QString m_extraText2;
    QString m_classCode;
    QString m_className;
    QString m_accountId;
    QString m_extraText3;
    qint32 m_cameraState = 0;
    qint32 m_loginDevice = 0;
    QImage m_headPixmap;
    bool m_cameraOn = false;
    bool m_handUp = false;
    bool m_extraFlag = false;
    bool m_online = false;
    bool m_noTalk = false;
    bool m_prime = false;
    bool m_listener = false;
    qint32 m_extraState = 0;
};

Q_DECLARE_METATYPE(UserInfo)

// The lecturer-side participants, in the order the participant panel shows them: the lecturer first, a
// type-5 participant second. Kept by the user info manager; used in the GUI thread only.
extern QList<UserInfo> g_teacherList;

#endif // USERINFO_H
