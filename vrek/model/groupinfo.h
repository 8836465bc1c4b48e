#ifndef GROUPINFO_H
#define GROUPINFO_H

#include <QList>
#include <QMetaType>
#include <QString>

// One entry of the lists shown around a lesson: a lesson of the course list, a class or subject of the class
// selection, a recorded lesson. Each filler sets what its reply carries; the rest keeps the defaults.
class GroupInfo
{
public:
    GroupInfo() = default;
    virtual ~GroupInfo();
    GroupInfo(const GroupInfo &) = default;
    GroupInfo &operator=(const GroupInfo &) = default;

    QString getId() const { return m_id; }
    void setId(const QString &value) { m_id = value; }
    QString getTitle() const { return m_title; }
    void setTitle(const QString &value) { m_title = value; }
    QString getBeginTime() const { return m_beginTime; }
    void setBeginTime(const QString &value) { m_beginTime = value; }
    QString getEndTime() const { return m_endTime; }
    void setEndTime(const QString &value) { m_endTime = value; }
    QString getActualTime() const { return m_actualTime; }
    void setActualTime(const QString &value) { m_actualTime = value; }
    QString getGrade() const { return m_grade; }
    void setGrade(const QString &value) { m_grade = value; }
    QString getGradeName() const { return m_gradeName; }
    void setGradeName(const QString &value) { m_gradeName = value; }
    QString getGradeType() const { return m_gradeType; }
    void setGradeType(const QString &value) { m_gradeType = value; }
    // The class id.
    QString getTClass() const { return m_tClass; }
    void setTClass(const QString &value) { m_tClass = value; }
    QString getClassName() const { return m_className; }
    void setClassName(const QString &value) { m_className = value; }
    QString getClassType() const { return m_classType; }
    void setClassType(const QString &value) { m_classType = value; }
    QString getSubject() const { return m_subject; }
    void setSubject(const QString &value) { m_subject = value; }
    QString getSubjectName() const { return m_subjectName; }
    void setSubjectName(const QString &value) { m_subjectName = value; }
    QString getSubjectType() const { return m_subjectType; }
    void setSubjectType(const QString &value) { m_subjectType = value; }
    QString getSchoolType() const { return m_schoolType; }
    void setSchoolType(const QString &value) { m_schoolType = value; }
    QString getTeacherId() const { return m_teacherId; }
    void setTeacherId(const QString &value) { m_teacherId = value; }
    QString getTeacherName() const { return m_teacherName; }
    void setTeacherName(const QString &value) { m_teacherName = value; }
    QString getParentTitle() const { return m_parentTitle; }
    void setParentTitle(const QString &value) { m_parentTitle = value; }
    QString getVideoId() const { return m_videoId; }
    void setVideoId(const QString &value) { m_videoId = value; }
    QString getPlanBeginTime() const { return m_planBeginTime; }
    void setPlanBeginTime(const QString &value) { m_planBeginTime = value; }
    QString getPlanEndTime() const { return m_planEndTime; }
    void setPlanEndTime(const QString &value) { m_planEndTime = value; }
    qint32 getIsParent() const { return m_isParent; }
    void setIsParent(qint32 value) { m_isParent = value; }
    qint32 getStatus() const { return m_status; }
    void setStatus(qint32 value) { m_status = value; }
    qint32 getParentId() const { return m_parentId; }
    void setParentId(qint32 value) { m_parentId = value; }
    qint32 getViewingTimes() const { return m_viewingTimes; }
    void setViewingTimes(qint32 value) { m_viewingTimes = value; }
    qint32 getSort() const { return m_sort; }
    void setSort(qint32 value) { m_sort = value; }
    bool getIsCanLook() const { return m_isCanLook; }
    void setIsCanLook(bool value) { m_isCanLook = value; }
    bool getIsCompere() const { return m_isCompere; }
    void setIsCompere(bool value) { m_isCompere = value; }
    bool getIsCanSit() const { return m_isCanSit; }
    void setIsCanSit(bool value) { m_isCanSit = value; }
    qint32 getClassState() const { return m_classState; }
    void setClassState(qint32 value) { m_classState = value; }
    // The lesson's class type, 0-8; -1 when the reply names none.
    qint32 getLessonType() const { return m_lessonType; }
    void setLessonType(qint32 value) { m_lessonType = value; }

private:
    QString m_id;
    QString m_title;
    QString m_beginTime;
    QString m_endTime;
    QString m_actualTime;
    QString m_grade;
    QString m_gradeName;
    QString m_gradeType;
    QString m_tClass;
    QString m_className;
    QString m_classType;
    QString m_subject;
    QString m_subjectName;
    QString m_subjectType;
    QString m_schoolType;
    QString m_teacherId;
    QString m_teacherName;
    QString m_parentTitle;
    QString m_videoId;
    QString m_planBeginTime;
    QString m_planEndTime;
    qint32 m_isParent = 0;
    qint32 m_status = 0;
    qint32 m_parentId = 0;
    qint32 m_viewingTimes = 0;
    qint32 m_sort = 0;
    bool m_isCanLook = false;
    bool m_isCompere = false;
    bool m_isCanSit = false;
    qint32 m_classState = 3;
    qint32 m_lessonType = -1;
};

Q_DECLARE_METATYPE(GroupInfo)

#endif // GROUPINFO_H
