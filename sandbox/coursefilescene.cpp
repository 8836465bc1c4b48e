#include "sandbox/coursefilescene.h"

#include "sandbox/clipmaker.h"
#include "tests/support/fakeclassroomserver.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include <quazip/JlCompress.h>

namespace {
// The deck's own script: slides are the ".slide" blocks, animation steps the ".anim" items of a slide.
const char *const deckPage = R"(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>分数的初步认识</title>
<style>
body { margin: 0; background: #ffffff; font-family: "WenQuanYi Micro Hei", sans-serif; }
.slide { display: none; width: 960px; height: 540px; position: relative; background: url(data/pres/sb1.jpg); }
.slide.on { display: block; }
h1 { margin: 0; padding: 60px 80px 20px; color: #1f5fa8; font-size: 44px; }
p { margin: 0; padding: 12px 80px; font-size: 30px; color: #333333; }
.anim { visibility: hidden; }
.anim.shown { visibility: visible; }
</style>
<script>
var Presentation = (function () {
    var slide = 1;
    var step = 0;
    function slides() { return document.querySelectorAll('.slide'); }
    function items(n) { return slides()[n - 1].querySelectorAll('.anim'); }
    function show() {
        var all = slides();
        for (var i = 0; i < all.length; ++i) {
            all[i].className = i + 1 === slide ? 'slide on' : 'slide';
            var anims = items(i + 1);
            for (var j = 0; j < anims.length; ++j)
                anims[j].className = i + 1 === slide && j < step ? 'anim shown' : 'anim';
        }
    }
    return {
        CurrentStatus: function () { return slide + ':' + step; },
        ClickCount: function () { return items(slide).length; },
        JumpToAnim: function (s, n) {
            var count = slides().length;
            slide = Math.max(1, Math.min(count, n));
            step = Math.max(0, Math.min(items(slide).length, s));
            show();
        },
        Prev: function () {
            if (step > 0) {
                --step;
            } else if (slide > 1) {
                --slide;
                step = items(slide).length;
            }
            show();
        }
    };
})();
window.onload = function () { Presentation.JumpToAnim(0, 1); };
</script>
</head>
<body>
<div class="slide"><h1>分数的初步认识</h1><p>三年级 数学</p><p class="anim">把一个整体平均分成几份</p></div>
<div class="slide"><h1>认识二分之一</h1><p class="anim">一个月饼平均分成 2 份</p><p class="anim">每份是它的 1/2</p></div>
<div class="slide"><h1>练一练</h1><p class="anim">涂色表示 1/4</p><p class="anim">比较 1/2 和 1/3 的大小</p></div>
</body>
</html>
)";

const char *const outlineXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<outline>
  <slide index="1" title="分数的初步认识"/>
  <slide index="2" title="认识二分之一"/>
  <slide index="3" title="练一练"/>
</outline>
)";

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Pictures without text: the sandbox runs without a window system's fonts.
QImage slidePicture()
{
    QImage image(960, 540, QImage::Format_RGB32);
    image.fill(QColor("#fdfaf2"));
    QPainter painter(&image);
    painter.fillRect(0, 0, 960, 36, QColor("#1f5fa8"));
    painter.fillRect(0, 504, 960, 36, QColor("#e3ecf7"));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#f6c342"));
    painter.drawPie(QRect(760, 320, 160, 160), 0, 180 * 16);
    painter.setBrush(QColor("#f3dfa2"));
    painter.drawPie(QRect(760, 320, 160, 160), 180 * 16, 180 * 16);
    return image;
}

QImage pagePicture(int page)
{
    QImage image(800, 1100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, 800, 90, QColor("#1aa260"));
    painter.setPen(QPen(QColor("#c8c8c8"), 2));
    for (int y = 180; y < 1040; y += 60)
        painter.drawLine(60, y, 740, y);
    // One large dot per page number.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int i = 0; i < page; ++i)
        painter.drawEllipse(QPoint(90 + i * 70, 45), 20, 20);
    return image;
}
} // namespace

CourseFileScene::CourseFileScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{ }

CourseFileScene::~CourseFileScene()
{
    delete m_clipMaker;
}

bool CourseFileScene::install()
{
    m_fileScene = FileScene::of(sandbox());
    // Without a file server there is nothing to share; the rest of the sandbox plays on.
    if (!m_fileScene || !m_dir.isValid()) {
        qWarning() << "the course files have no file server";
        return true;
    }
    const QString deck = m_dir.filePath("deck");
    if (!makeHtmlDeck(deck) || !share(QString::fromUtf8("分数的初步认识.pptx"), deck))
        qWarning() << "the html deck could not be made";
    const QString pictures = m_dir.filePath("pictures");
    if (!makePictureDeck(pictures) || !share(QString::fromUtf8("分数练习题.pdf"), pictures))
        qWarning() << "the picture deck could not be made";

    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &CourseFileScene::onLessonJoined);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, [this] {
        ++m_generation;
        m_sharePending = false;
    });
    startClip();
    return true;
}

bool CourseFileScene::makeHtmlDeck(const QString &folder)
{
    return writeFile(folder + "/index.html", deckPage) && writeFile(folder + "/data/pres/outline.xml", outlineXml)
        && slidePicture().save(folder + "/data/pres/sb1.jpg", "JPG");
}

bool CourseFileScene::makePictureDeck(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int page = 1; page <= 3; ++page) {
        if (!pagePicture(page).save(QString("%1/page_%2.jpg").arg(folder).arg(page), "JPG"))
            return false;
    }
    return true;
}

void CourseFileScene::startClip()
{
    const QString folder = m_dir.filePath("clip");
    QDir().mkpath(folder);
    const auto arguments = [](const QString &path) {
        return QStringList { "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
            QString("testsrc2=size=480x270:rate=25:duration=%1").arg(clipSeconds), "-c:v", "libx264", "-pix_fmt",
            "yuv420p", "-preset", "ultrafast", "-crf", "30", "-movflags", "+faststart", path };
    };
    m_clipMaker = new ClipMaker(sandbox()->cacheDir(), "course-clip.mp4", arguments, this);
    connect(m_clipMaker, &ClipMaker::finished, this, &CourseFileScene::clipFinished);
    m_clipMaker->start(folder + "/clip.mp4", clipTimeoutMs);
}

void CourseFileScene::clipFinished(bool ok)
{
    if (m_ready)
        return;
    m_ready = true;
    if (!ok || !share(QString::fromUtf8("分数动画.mp4"), m_dir.filePath("clip")))
        qWarning() << "the course video could not be made";
    emit filesReady();
    if (m_sharePending) {
        m_sharePending = false;
        shareWithClass();
    }
}

void CourseFileScene::shareWithClass()
{
    sandbox()->classroom()->sendLines(shareLines());
    emit filesShared();
}

bool CourseFileScene::share(const QString &fileName, const QString &folder)
{
    const QString zipPath = folder + ".zip";
    if (!JlCompress::compressDir(zipPath, folder, true))
        return false;
    QFile zip(zipPath);
    if (!zip.open(QIODevice::ReadOnly))
        return false;
    m_fileIds << m_fileScene->addSharedArchive(fileName, zip.readAll());
    return true;
}

QString CourseFileScene::fileIdOfType(int courseType) const
{
    if (!m_fileScene)
        return QString();
    for (const FileScene::SharedFile &file : m_fileScene->sharedFiles()) {
        if (file.courseType == courseType && m_fileIds.contains(file.fileIdAll()))
            return file.fileIdAll();
    }
    return QString();
}

QStringList CourseFileScene::shareLines() const
{
    QStringList lines;
    for (const FileScene::SharedFile &file : m_fileScene->sharedFiles()) {
        if (m_fileIds.contains(file.fileIdAll()))
            lines << QStringList { "4", "0", file.fileName, file.fileIdAll(), m_fileScene->fileUrl(file), "1" }.join(
                '\t');
    }
    lines << m_fileScene->fileListLine();
    return lines;
}

void CourseFileScene::onLessonJoined()
{
    const quint64 generation = ++m_generation;
    m_sharePending = false;
    QTimer::singleShot(m_shareDelayMs, this, [this, generation] {
        if (generation != m_generation)
            return;
        // Until the video is made (or given up) the teacher waits, so it is shared with the rest.
        if (m_ready)
            shareWithClass();
        else
            m_sharePending = true;
    });
}
