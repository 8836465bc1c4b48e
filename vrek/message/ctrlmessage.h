#ifndef CTRLMESSAGE_H
#define CTRLMESSAGE_H

#include <QMetaType>
#include <QString>

// One classroom control message (late-arrival replay, interface mode and the like). A writer sends only the
// numbers of its kind.
class CtrlMessage
{
public:
    // Phase of the late-arrival replay; 2 is not used.
    enum LateCtrlType : quint32 {
        LateCourseFile = 0,
        LateCourseDraw = 1,
        LateBoardDraw = 3,
    };

    CtrlMessage() = default;
    virtual ~CtrlMessage();
    CtrlMessage(const CtrlMessage &) = default;
    CtrlMessage &operator=(const CtrlMessage &) = default;

    QString getPersonId() const { return m_personId; }
    void setPersonId(const QString &personId) { m_personId = personId; }
    quint32 getCtType() const { return m_ctType; }
    void setCtType(quint32 type) { m_ctType = type; }
    quint32 getLateCtrlType() const { return m_lateCtrlType; }
    void setLateCtrlType(quint32 type) { m_lateCtrlType = type; }
    quint32 getLateCount() const { return m_lateCount; }
    void setLateCount(quint32 count) { m_lateCount = count; }
    quint32 getUiCtrlType() const { return m_uiCtrlType; }
    void setUiCtrlType(quint32 type) { m_uiCtrlType = type; }

private:
    QString m_personId;
    quint32 m_ctType = 0;
    quint32 m_lateCtrlType = 0;
    quint32 m_lateCount = 0;
    quint32 m_uiCtrlType = 0;
};

Q_DECLARE_METATYPE(CtrlMessage)
Q_DECLARE_METATYPE(CtrlMessage::LateCtrlType)

#endif // CTRLMESSAGE_H
