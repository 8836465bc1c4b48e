#include "sandbox/bannerscene.h"

#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

namespace {
// A picture without text (no fonts in the sandbox): a sky over green hills, with a sun.
QImage bannerPicture()
{
    QImage image(426, 455, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0, QColor("#1896ea"));
    sky.setColorAt(1, QColor("#bfe3ff"));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#ffd34d"));
    painter.drawEllipse(QPointF(320, 110), 48, 48);
    painter.setBrush(QColor("#5bbf5b"));
    painter.drawEllipse(QPointF(90, 520), 260, 170);
    painter.setBrush(QColor("#3f9f46"));
    painter.drawEllipse(QPointF(380, 540), 240, 160);
    painter.end();
    return image;
}
} // namespace

const QByteArray BannerScene::listPath = "/vSocket/socket/getBanners";
const QByteArray BannerScene::picturePath = "/vSocket/banner/sandbox.png";
const QByteArray BannerScene::pagePath = "/vSocket/banner/index.html";

BannerScene::BannerScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{ }

bool BannerScene::install()
{
    FileScene *files = FileScene::of(sandbox());
    if (!files)
        return false;
    FakeHttpServer *server = files->fileServer();
    const QString base = server->baseUrl();
    const QJsonObject banner { { "id", bannerId }, { "img", base + QString::fromLatin1(picturePath) },
        { "link", base + QString::fromLatin1(pagePath) } };
    const QByteArray list
        = QJsonDocument(QJsonObject { { "result", QJsonArray { banner } } }).toJson(QJsonDocument::Compact);
    server->setHandler(listPath, [this, list](const FakeHttpServer::Request &) {
        ++m_asks;
        std::fprintf(stderr, "banner %d\n", bannerId);
        FakeHttpServer::Reply reply;
        reply.body = list;
        return reply;
    });
    FakeHttpServer::Reply picture;
    picture.body = pngOf(bannerPicture());
    picture.contentType = "image/png";
    server->setReply(picturePath, picture);
    FakeHttpServer::Reply page;
    page.body = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>本地课堂沙箱</title></head>"
                               "<body><h1>本地课堂沙箱</h1><p>这是沙箱的横幅页面。</p></body></html>")
                    .toUtf8();
    page.contentType = "text/html;charset=UTF-8";
    server->setReply(pagePath, page);
    return true;
}
