#ifndef VIDEOVIEW4_H
#define VIDEOVIEW4_H

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

class DefaultView;
class QHBoxLayout;
class VideoViewOne;

// The meeting's strip of the users the automatic pull shows: three tiles side by side, each held by at most one
// user. The panel says who enters and leaves; the strip picks the tile and keeps it while a user is handed over.
// Before the meeting, and after it, each place shows the default picture instead of its tile.
class VideoView4 : public QWidget
{
    Q_OBJECT
public:
    static const char *const defaultPicturePath;
    // What calcuImageIndexByUserId answers when every tile is held.
    static constexpr uint noIndex = 65535;

    explicit VideoView4(QWidget *parent = nullptr);
    ~VideoView4() override;

    void setDefaultImage();
    void setDefaultStart();
    bool containsUserId(const QString &userId) const;

    // The user table: user id to tile index.
    uint calcuImageIndexByUserId(const QString &userId = QString()) const;
    void insertUserIdHash(const QString &userId, uint index);
    bool deleteUserIdHash(const QString &userId);
    void clearUserIdHash();
    bool selectUserIdHash(const QString &userId, uint &index) const;
    bool selectUserIdHash(const QString &userId, VideoViewOne **tile, bool warn) const;

    int tileCount() const { return m_tiles.size(); }
    VideoViewOne *tile(int index) const { return m_tiles.value(index); }
    DefaultView *defaultPicture(int index) const { return m_defaultViews.value(index); }
    QHBoxLayout *tileLayout(int index) const { return m_layouts.value(index); }

signals:
    void startPlayAudioOut(QString userId);
    void stopPlayAudioOut(QString userId);

public slots:
    void showVideoChangeIn(QString fromUserId, QString toUserId);
    void showVideoImageIn(QString userId, QImage frame);
    void mouseClickedIn(QString userId);
    void playAudioClickedIn(QString userId, bool flag);

protected:
    // A strip of tileCount tiles whose form is called formName (VideoView2 builds one of four).
    VideoView4(int tileCount, const QString &formName, QWidget *parent);
    // The tile a new user gets; noIndex when none is free.
    virtual uint freeIndex(const QString &userId) const;
    // The first tile from index first on that no user holds; noIndex with a warning when all are held.
    uint firstFreeIndex(uint first) const;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildForm(int tileCount, const QString &formName);
    void initial();

    QList<QHBoxLayout *> m_layouts;
    QList<VideoViewOne *> m_tiles;
    QList<DefaultView *> m_defaultViews;
    QHash<QString, uint> m_userIds;
};

#endif // VIDEOVIEW4_H
