#ifndef VIDEOCOURSEMESSAGE_H
#define VIDEOCOURSEMESSAGE_H

#include <QMetaType>
#include <QString>

// One course-video command: 0 open a course video, 1 its play state.
class VideoCourseMessage
{
public:
    VideoCourseMessage() = default;
    virtual ~VideoCourseMessage();
    VideoCourseMessage(const VideoCourseMessage &) = default;
    VideoCourseMessage &operator=(const VideoCourseMessage &) = default;

    quint32 getVcmType() const { return m_vcmType; }
    void setVcmType(quint32 type) { m_vcmType = type; }
    QString getId() const { return m_id; }
    void setId(const QString &id) { m_id = id; }
    quint32 getValue1() const { return m_value1; }
    void setValue1(quint32 value) { m_value1 = value; }
    quint32 getValue2() const { return m_value2; }
    void setValue2(quint32 value) { m_value2 = value; }
    bool getFlag() const { return m_flag; }
    void setFlag(bool flag) { m_flag = flag; }

private:
    quint32 m_vcmType = 0;
    QString m_id;
    quint32 m_value1 = 0;
    quint32 m_value2 = 0;
    bool m_flag = false;
};

Q_DECLARE_METATYPE(VideoCourseMessage)

#endif // VIDEOCOURSEMESSAGE_H
