#ifndef MEDIAVIEW3_H
#define MEDIAVIEW3_H

#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/media/panels/pullpushmediaview.h"

#include <QHash>

class DefaultView;
class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class VideoView4;

// The media panel of a meeting (class type 5). Everybody pushes his own camera and microphone and pulls the
// others: the host (the lecturer's side) starts and ends the meeting and picks whom to show beside himself;
// a participant starts pushing as he enters, follows the host's main picture and is put on stage by him. The
// panel drives its own pull and push managers from the classroom's stream messages and the server's table of
// push stream ids, and shows a strip of up to three automatically pulled users above a picture-in-picture view.
class MediaView3 : public PullPushMediaView, public MediaViewInterface
{
    Q_OBJECT
public:
    static const char *const defaultPicturePath;
    // The strip shows up to this many automatically pulled users.
    static constexpr uint stripUsers = 3;

    explicit MediaView3(QWidget *parent = nullptr);
    ~MediaView3() override;

    // MediaViewInterface.
    void initialLater() override;
    GlobalEnum::PushStreamState getPushStreamState() override;
    void stopAllPullStream() override;
    void stopPullStream(const QString &userId) override;
    PushStreamInterface *getPushStreamInterface() override;
    void sendLateState(const QString &userId) const override;
    bool stopPushStreamLect() override;
    bool stopPushStreamListener() override;
    void lectOnline(const QString &userId) override;

    // The strip's and the main view's size on a screen whose available height is this.
    static QSize stripSize(int screenHeight);
    static QSize mainSize(int screenHeight);

    VideoView4 *videoView4() const { return m_videoView4; }
    DefaultView *defaultView() const { return m_defaultView; }
    QVBoxLayout *bottomLayout() const { return m_bottomLayout; }

public slots:
    void readAddStreamIdIn(QString userId, QString streamId);
    void readDelStreamIdIn(QString userId);
    void readAllStreamIdIn(QHash<QString, QString> streamIds);
    void startPullStreamIn(QString userId);
    void userOnline(QString userId);
    void startOpenIn();
    void showVideoImageIn(QString userId, QImage frame) override;
    void pullStreamResultIn(bool isMain, bool result, QString userId, QString msg) override;
    void autoToManualIn(QString userId) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void setPushStreamState(int pss) override;
    void setStartClass(bool flag) override;
    void setDefaultImage(bool flag) override;
    QString classEndTip() const override { return QStringLiteral("会议结束"); }
    bool stageByPushId() const override { return false; }
    void readPanelMessage(const StreamMediaMessage &message) override;
    void showAutoChange(const QString &fromUserId, const QString &toUserId) override;

private:
    void buildForm();
    void initial();
    void strInitial();
    void uiInitial();
    void msgInitial();
    void sizeInitial();

    QGridLayout *m_gridLayout = nullptr;
    QHBoxLayout *m_topLayout = nullptr;
    QVBoxLayout *m_bottomLayout = nullptr;
    DefaultView *m_defaultView = nullptr;
    VideoView4 *m_videoView4 = nullptr;
    QString m_startOpenTexts[4];
};

#endif // MEDIAVIEW3_H
