#include "vrek/login/bannerview.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httprequest.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QTimer>

const char *const BannerView::cacheFolder = "./banner";
const char *const BannerView::defaultPicture = "://vrek/image/login/bg2.jpg";

BannerView::BannerView(QWidget *parent)
    : QPushButton(parent)
    , m_defaultPicture(QString::fromLatin1(defaultPicture))
    , m_defaultLink(QString("http://%1").arg(g_fileHost))
    , m_request(new HttpRequest(this))
    , m_retryTimer(new QTimer(this))
{
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &BannerView::sendRequest);
    setCursor(Qt::PointingHandCursor);
    setFlat(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding); // a picture, not a one-line button
    connect(m_request, &HttpRequest::signalFinish, this, &BannerView::slotHttpFinish);
    connect(this, &QPushButton::clicked, this, &BannerView::slotButtonClicked);
    readCache();
    if (m_cached.isValid() && !m_picture.isNull())
        return;
    m_cached.clear();
    showBanner(m_defaultPicture, m_defaultLink);
}

void BannerView::readCache()
{
    QDir dir(QString::fromLatin1(cacheFolder));
    if (!dir.exists())
        return;
    const QStringList files = dir.entryList({ "*.jpg", "*.json" }, QDir::Files);
    if (files.size() != 2) {
        for (const QString &file : files)
            dir.remove(file);
        return;
    }
    QPixmap picture;
    QByteArray json;
    for (const QString &file : files) {
        if (file.endsWith(".jpg")) {
            picture.load(dir.filePath(file));
        } else {
            QFile f(dir.filePath(file));
            if (f.open(QIODevice::ReadOnly))
                json = f.readAll();
        }
    }
    if (picture.isNull() || !m_cached.parse(json) || !m_cached.isValid()) {
        m_cached.clear();
        return;
    }
    m_picture = picture;
    m_link = m_cached.link();
}

QUrl BannerView::bannerListUrl() const
{
    quint16 port = m_port;
    if (port == 0) {
        bool ok = false;
        const uint filePort = g_filePort.toUInt(&ok);
        port = ok && filePort > 0 && filePort <= 65535 ? quint16(filePort) : bannerPort;
    }
    return QUrl(QString("http://%1:%2/vSocket/socket/getBanners").arg(g_fileHost).arg(port));
}

void BannerView::requestBanner()
{
    m_retryTimer->stop();
    m_retries = 0;
    sendRequest();
}

void BannerView::sendRequest()
{
    m_requestClock.restart();
    m_request->post("json", bannerListUrl(), QByteArray(), requestLimitMs);
}

void BannerView::retryLater()
{
    if (m_retries >= retryLimit || m_retryTimer->isActive())
        return;
    const int wait = m_retryFirstDelayMs << m_retries;
    ++m_retries;
    qInfo() << "the file server did not answer, the banner is asked again in" << wait << "ms, try" << m_retries;
    m_retryTimer->start(wait);
}

void BannerView::slotHttpFinish(QNetworkReply::NetworkError error, const QString &requsetName, const QByteArray &data)
{
    qDebug() << "requsetName:" << requsetName << "error:" << error;
    if (error != QNetworkReply::NoError) {
        // Codes below 100 are the network's: nothing came from the server (it may not listen yet, as when it
        // starts after the client). A server that answered with an error is not asked again.
        if (error < QNetworkReply::ProxyConnectionRefusedError)
            retryLater();
        return;
    }
    if (requsetName == "json") {
        m_candidate.clear();
        if (!m_candidate.parse(data) || !m_candidate.isValid() || !m_candidate.differsFrom(m_cached))
            return;
        if (!isOpenableLink(QUrl(m_candidate.image()))) {
            qWarning() << "the banner picture is not on a web server, not fetched:" << m_candidate.image();
            return;
        }
        m_candidateBytes = data;
        m_request->get("image", QUrl(m_candidate.image()), requestLimitMs);
        return;
    }
    if (requsetName != "image")
        return;
    QPixmap picture;
    if (!picture.loadFromData(data) || !saveCache(picture))
        return;
    m_downloaded = picture;
    m_cached.copyFrom(m_candidate);
    const QString link = m_candidate.link();
    const qint64 wait = m_switchDelayMs - (m_requestClock.isValid() ? m_requestClock.elapsed() : m_switchDelayMs);
    if (wait <= 0) {
        showBanner(picture, link);
        return;
    }
    QPointer<BannerView> self(this);
    QTimer::singleShot(int(wait), this, [self, picture, link] {
        if (self)
            self->showBanner(picture, link);
    });
}

bool BannerView::saveCache(const QPixmap &picture)
{
    QDir dir(QString::fromLatin1(cacheFolder));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        qWarning() << "the banner folder cannot be made";
        return false;
    }
    const QString base = QString::number(m_candidate.id());
    const QString pictureName = base + ".jpg";
    const QString jsonName = base + ".json";
    if (!picture.save(dir.filePath(pictureName), "JPG")) {
        qWarning() << "the banner picture cannot be saved";
        return false;
    }
    QFile json(dir.filePath(jsonName));
    if (!json.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || json.write(m_candidateBytes) != m_candidateBytes.size()) {
        qWarning() << "the banner description cannot be saved";
        dir.remove(pictureName);
        return false;
    }
    json.close();
    for (const QString &file : dir.entryList(QDir::Files)) {
        if (file != pictureName && file != jsonName)
            dir.remove(file);
    }
    return true;
}

void BannerView::showBanner(const QPixmap &picture, const QString &link)
{
    m_picture = picture;
    m_link = link;
    update();
}

bool BannerView::isOpenableLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == "http" || scheme == "https");
}

void BannerView::slotButtonClicked()
{
    const QUrl url(m_link);
    if (!isOpenableLink(url)) {
        qWarning() << "the banner link is not a web page, not opened:" << m_link;
        return;
    }
    QDesktopServices::openUrl(url);
}

void BannerView::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(rect(), Qt::white);
    if (!m_picture.isNull())
        painter.drawPixmap(rect(), m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    // Reached with Tab, the banner shows that Return opens it.
    if (hasFocus()) {
        painter.setPen(QPen(QColor(0x18, 0x96, 0xea), 2, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}
