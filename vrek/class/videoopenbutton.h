#ifndef VIDEOOPENBUTTON_H
#define VIDEOOPENBUTTON_H

#include "vrek/model/groupinfo.h"

#include <QPushButton>

// The open button of one lesson row; it hands its lesson on when pressed.
class VideoOpenButton : public QPushButton
{
    Q_OBJECT
public:
    explicit VideoOpenButton(const GroupInfo &info, QWidget *parent = nullptr);

    GroupInfo groupInfo() const { return m_groupInfo; }

signals:
    void signalButtonClicked(GroupInfo info);

public slots:
    void slotButtonClicked();

private:
    GroupInfo m_groupInfo;
};

#endif // VIDEOOPENBUTTON_H
