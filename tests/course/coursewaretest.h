#ifndef COURSEWARETEST_H
#define COURSEWARETEST_H

// What the courseware tests share: drawing steps, a clock the test turns, the forward lines a message makes,
// and the received folders of HTML and picture decks of our own.
#include "tests/support/classroomlink.h"
#include "tests/support/tempworkdir.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/message/drawsignal.h"
#include "vrek/message/pptmessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/paint/graphset.h"
#include "vrek/utils/globalvalue.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace CoursewareTest {

// A student's session in class "class7": user "u1", a working folder of its own (the current directory) and a
// classroom connection, the program's one, that records what it sends.
struct Session
{
    Session()
    {
        g_userId = QStringLiteral("u1");
        g_classId = QStringLiteral("class7");
    }
    TempWorkDir dir;
    ClassroomLink link;
};

// The step of a shape as the board hands it out or a peer sends it.
inline DrawSignal step(quint32 kind, quint32 pointSetId, quint32 isTemp, const QList<QPoint> &points = {},
    const QPoint &end = QPoint(40, 30))
{
    DrawSignal drawSignal;
    drawSignal.setShapeTypeUInt(kind);
    drawSignal.setPointSetId(pointSetId);
    drawSignal.setIsTemp(isTemp);
    drawSignal.setStartPoint(QPoint(10, 10));
    drawSignal.setEndPoint(end);
    drawSignal.setPenColor(QColor("#385AD3"));
    drawSignal.setPenWidth(3);
    for (const QPoint &point : points)
        drawSignal.addPoint(point);
    return drawSignal;
}

inline QString text(const PPtMessage &message)
{
    QString written;
    TSProtocolAnalysis::sendPPtMessage(message, written);
    return written;
}

// What the classroom connection sends for a message to the class and to one user.
inline QString classLine(const QString &data)
{
    return QStringLiteral("11\t0\t%1\t%2\t0").arg(g_classId, data);
}

inline QString personalLine(const QString &userId, const QString &data)
{
    return QStringLiteral("11\t1\t%1\t%2\t0").arg(userId, data);
}

// The message of a forwarded line; a message of type 0 with nothing in it when the line is none.
inline PPtMessage fromLine(const QString &line)
{
    PPtMessage message;
    const QStringList fields = line.split('\t');
    if (fields.size() == 5)
        TSProtocolAnalysis::readPPtMessage(fields.at(3), message);
    return message;
}

inline int shapeCount(GraphSet *graphSet)
{
    return graphSet ? graphSet->count() : -1;
}

// An HTML deck's received folder: an entry page whose Presentation records the calls it gets (ClickCount aside)
// and answers the status poll from the third poll on, the outline with the given slides, and the page picture.
struct HtmlDeck
{
    QString outline;
    QSize pictureSize { 800, 450 };
    QString entryName = QStringLiteral("index.html");
    QByteArray body;

    static QString outlineOf(int slides, bool declaration = true)
    {
        QString xml = declaration ? QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") : QString();
        xml += QStringLiteral("<outline>\n");
        for (int i = 1; i <= slides; ++i)
            xml += QStringLiteral("  <slide index=\"%1\"/>\n").arg(i);
        return xml + QStringLiteral("</outline>\n");
    }

    bool write(const TempWorkDir &dir, const QString &fileIdAll) const
    {
        const QString folder = QStringLiteral("fileRecv/%1/%2/").arg(g_userId, fileIdAll);
        const QByteArray head = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><script>
var clickCount = 2;
var Presentation = {
    polls: 0,
    calls: [],
    CurrentStatus: function () { this.polls += 1; return this.polls > 2 ? 'ready' : undefined; },
    ClickCount: function () { return clickCount; },
    JumpToAnim: function (s, n) { this.calls.push('JumpToAnim(' + s + ', ' + n + ')'); },
    Prev: function () { this.calls.push('Prev()'); }
};
</script></head><body>)";
        bool ok = dir.writeFile(folder + entryName, head + body + "</body></html>\n");
        if (!outline.isNull())
            ok = ok && dir.writeFile(folder + "data/pres/outline.xml", outline.toUtf8());
        if (!pictureSize.isEmpty()) {
            QImage picture(pictureSize, QImage::Format_RGB32);
            picture.fill(QColor("#fdfaf2"));
            ok = ok && QDir().mkpath(dir.filePath(folder + "data/pres"))
                && picture.save(dir.filePath(folder + "data/pres/sb1.jpg"), "JPG");
        }
        return ok;
    }
};

// A picture deck's received folder: one JPEG per page name, of the given sizes.
inline bool writePictureDeck(
    const TempWorkDir &dir, const QString &fileIdAll, const QStringList &names, const QList<QSize> &sizes = {})
{
    const QString folder = dir.filePath(QStringLiteral("fileRecv/%1/%2").arg(g_userId, fileIdAll));
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < names.size(); ++i) {
        QImage picture(sizes.value(i, QSize(400, 550)), QImage::Format_RGB32);
        picture.fill(QColor::fromHsv((i * 40) % 360, 120, 240));
        if (!picture.save(folder + "/" + names.at(i), "JPG"))
            return false;
    }
    return true;
}

// A course file of the class, downloaded and ready, in the course-file table.
inline void storeCourseFile(const QString &fileIdAll, const QString &fileName)
{
    UserFile file;
    file.setId(fileIdAll, g_userId);
    file.setFileName(fileName);
    file.setCourseType(fileName);
    file.setStatus(2);
    file.setDownloaded(true);
    g_courseFileHash.updateUserFile(file);
}

} // namespace CoursewareTest

#endif // COURSEWARETEST_H
