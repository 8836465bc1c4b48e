#ifndef BANNERVIEW_H
#define BANNERVIEW_H

#include "vrek/login/bannerjson.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

class HttpRequest;
class QTimer;

// The clickable banner of the login window. Shows the last banner kept in "./banner" (or a built-in picture),
// asks the file server for the current one and switches to it once its picture has arrived.
class BannerView : public QPushButton
{
    Q_OBJECT
public:
    // The banner list is the file server's: its port, 34127 unless the command line moves the file server.
    static constexpr quint16 bannerPort = 34127;
    static constexpr int requestLimitMs = 5000;
    static constexpr int switchDelayMs = 5000;
    // A file server that does not answer yet (refused, silent, unreachable) is asked again, this many times,
    // the first after retryFirstDelayMs and each later one after twice the wait before it: about a minute in all.
    static constexpr int retryLimit = 6;
    static constexpr int retryFirstDelayMs = 1000;
    static const char *const cacheFolder;
    static const char *const defaultPicture;

    explicit BannerView(QWidget *parent = nullptr);

    // Asks for the current banner; a file server that does not answer is asked again as above.
    void requestBanner();

    QString shownLink() const { return m_link; }
    QPixmap shownPicture() const { return m_picture; }
    // Tests point the request at their own server and shorten the wait before a switch.
    void setBannerPort(quint16 port) { m_port = port; }
    // Where the banner list is asked for: the file server's host, on the port set or else the file server's.
    QUrl bannerListUrl() const;
    void setSwitchDelay(int ms) { m_switchDelayMs = ms; }
    void setRetryFirstDelay(int ms) { m_retryFirstDelayMs = ms; }
    // The tries made since the last requestBanner that the file server did not answer.
    int retriesMade() const { return m_retries; }
    // Only web pages are opened; any other scheme the server might send is refused.
    static bool isOpenableLink(const QUrl &url);

public slots:
    void slotHttpFinish(QNetworkReply::NetworkError error, const QString &requsetName, const QByteArray &data);
    void slotButtonClicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void readCache();
    bool saveCache(const QPixmap &picture);
    void showBanner(const QPixmap &picture, const QString &link);
    void sendRequest();
    // After a request the file server did not answer: the next try, while tries are left.
    void retryLater();

    QPixmap m_picture;
    QString m_link;
    QPixmap m_defaultPicture;
    QString m_defaultLink;
    BannerJson m_cached;
    BannerJson m_candidate;
    QByteArray m_candidateBytes;
    QPixmap m_downloaded;
    QElapsedTimer m_requestClock;
    HttpRequest *m_request;
    quint16 m_port = 0; // 0: the file server's
    int m_switchDelayMs = switchDelayMs;
    QTimer *m_retryTimer;
    int m_retries = 0;
    int m_retryFirstDelayMs = retryFirstDelayMs;
};

#endif // BANNERVIEW_H
