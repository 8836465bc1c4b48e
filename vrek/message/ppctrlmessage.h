#ifndef PPCTRLMESSAGE_H
#define PPCTRLMESSAGE_H

#include <QMetaType>
#include <QString>

// One control message of the pad link (login handshake and heartbeat). Only the texts of its kind travel.
class PPCtrlMessage
{
public:
    enum PPCMType : quint32 {
        LoginReq = 0, // pad to PC: hb
        LoginMsg = 1, // PC to pad: ui, mi, un
        LoginPwd = 2, // pad to PC: mi, pwd
        LoginSuc = 3, // PC to pad: mi, hb
        HeartBeat = 4, // both ways: mi, hb
        LoginRep = 5, // PC to a pad that comes while another is logged in: ui, mi, un
    };

    PPCtrlMessage() = default;
    explicit PPCtrlMessage(quint32 type);
    virtual ~PPCtrlMessage();
    PPCtrlMessage(const PPCtrlMessage &) = default;
    PPCtrlMessage &operator=(const PPCtrlMessage &) = default;

    bool isInit() const { return m_init; }
    quint32 getPPCMType() const { return m_ppcmType; }
    // Sets the kind and marks the record as set up.
    void setPPCMType(quint32 type);

    QString getUi() const { return m_ui; }
    void setUi(const QString &ui) { m_ui = ui; }
    QString getUn() const { return m_un; }
    void setUn(const QString &un) { m_un = un; }
    QString getMi() const { return m_mi; }
    void setMi(const QString &mi) { m_mi = mi; }
    QString getPwd() const { return m_pwd; }
    void setPwd(const QString &pwd) { m_pwd = pwd; }
    QString getHb() const { return m_hb; }
    void setHb(const QString &hb) { m_hb = hb; }

private:
    bool m_init = false;
    quint32 m_ppcmType = LoginReq;
    QString m_ui; // user id
    QString m_un; // user name
    QString m_mi; // machine id
    QString m_pwd; // password
    QString m_hb; // login token
};

Q_DECLARE_METATYPE(PPCtrlMessage)

#endif // PPCTRLMESSAGE_H
