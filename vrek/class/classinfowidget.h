#ifndef CLASSINFOWIDGET_H
#define CLASSINFOWIDGET_H

#include "vrek/model/groupinfo.h"

#include <QDateTime>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;

// One course card: a lesson (mode 0, the button enters the classroom) or a recorded series (mode 1, the button
// opens its list).
class ClassInfoWidget : public QWidget
{
    Q_OBJECT
public:
    enum CardMode {
        LiveMode = 0,
        SeriesMode = 1,
    };
    // A lesson can be entered from this long before its start.
    static constexpr qint64 enterAheadSeconds = 3600;

    explicit ClassInfoWidget(int cardMode, QWidget *parent = nullptr);

    // The reference is the time the enter window is measured against.
    void setGroupInfo(const GroupInfo &info, const QDateTime &reference);
    GroupInfo groupInfo() const { return m_groupInfo; }
    int cardMode() const { return m_cardMode; }

    // The text of the badge for a lesson without a subject name.
    static QString lessonTypeName(int lessonType);

signals:
    void signalEnterButtonClicked(GroupInfo info);

public slots:
    void slotEnterButtonClicked();

private:
    void buildForm();

    QHBoxLayout *m_classInfoLayout = nullptr;
    QVBoxLayout *m_classDetailLayout = nullptr;
    QHBoxLayout *m_classTopLayout = nullptr;
    QVBoxLayout *m_infoLayout = nullptr;
    QHBoxLayout *m_classBottomLayout = nullptr;
    QLabel *m_classSubjectLabel = nullptr;
    QLabel *m_classTitleLabel = nullptr;
    QLabel *m_centerLabel = nullptr;
    QLabel *m_classInfoLabel = nullptr;
    QLabel *m_classNameLabel = nullptr;
    QLabel *m_classLectNameLabel = nullptr;
    QPushButton *m_enterPushButton = nullptr;

    GroupInfo m_groupInfo;
    int m_cardMode;
};

#endif // CLASSINFOWIDGET_H
