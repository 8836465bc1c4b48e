#ifndef DRAWCONTROL_H
#define DRAWCONTROL_H

#include <QMetaType>
#include <QString>

// Where a courseware or board message applies: the course file, its page and the animation step. Board
// messages carry an empty file id, page 0, step 0 and 1.
class DrawControl
{
public:
    DrawControl() = default;
    virtual ~DrawControl();
    DrawControl(const DrawControl &) = default;
    DrawControl &operator=(const DrawControl &) = default;

    QString getFileIdAll() const { return m_fileIdAll; }
    void setFileIdAll(const QString &fileIdAll) { m_fileIdAll = fileIdAll; }
    quint32 getPageId() const { return m_pageId; }
    void setPageId(quint32 pageId) { m_pageId = pageId; }
    quint32 getStepId() const { return m_stepId; }
    void setStepId(quint32 stepId) { m_stepId = stepId; }
    // Carried unchanged; the courseware keeps the file's page count in it.
    quint32 getFourthValue() const { return m_fourthValue; }
    void setFourthValue(quint32 value) { m_fourthValue = value; }

private:
    QString m_fileIdAll;
    quint32 m_pageId = 0;
    quint32 m_stepId = 0;
    quint32 m_fourthValue = 1;
};

Q_DECLARE_METATYPE(DrawControl)

#endif // DRAWCONTROL_H
