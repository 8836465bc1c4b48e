// Feeds arbitrary bytes to the readers of the REST replies: the login, the course and lesson lists, the status
// and text wrappers, and the chunk answers of an upload. The first byte chooses the reader, the rest is the reply.
// Nothing may crash, and a reader must agree with itself: a list it reads is a list the classifier reads.
#include "vrek/class/listreply.h"
#include "vrek/transferfile/alpostfile.h"
#include "vrek/utils/stringutil.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void silence(QtMsgType, const QMessageLogContext &, const QString &) { }

// What a list page and the login read from every row.
void readRows(const JsonRows &rows)
{
    for (const QMap<QString, QVariant> &row : rows) {
        for (auto it = row.constBegin(); it != row.constEnd(); ++it)
            StringUtil::jsonText(it.value());
        row.value("loginStatus").toInt();
        row.value("userId").toDouble();
    }
}

void readListReply(const QString &text)
{
    const ListReply read = ListReply::read(text);
    JsonRows rows;
    QString loginStatus = QStringLiteral("0");
    const bool list = StringUtil::httpJsonToList(text, rows, loginStatus);
    if (list != read.isList || (list && rows.size() != read.rows.size()))
        std::abort();
    if (read.kind == ListReply::Malformed && !StringUtil::isJsonDocument(text))
        std::abort();
    readRows(read.rows);
}

void readLoginReply(const QString &text)
{
    JsonRows rows;
    QString status = QStringLiteral("1");
    if (StringUtil::httpJsonToList(text, rows, status)) {
        readRows(rows);
        return;
    }
    int code = 0;
    StringUtil::httpJsonToStatus(text, code);
    StringUtil::isJsonDocument(text);
}

void readTextWrapper(const QString &text)
{
    QString loginStatus;
    QString body;
    StringUtil::httpJsonToMap(text, loginStatus, body);
    JsonRows rows;
    StringUtil::jsonToList(text, rows);
    readRows(rows);
}

void readUploadAnswer(const QByteArray &bytes)
{
    QString fileId;
    QString fileName;
    QString status;
    if (ALPostFile::readAnswer(bytes, fileId, fileName, status))
        ALPostFile::statusOfAnswer(status);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(silence);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    const QString text = QString::fromUtf8(bytes);
    switch (data[0] % 4) {
    case 0:
        readLoginReply(text);
        break;
    case 1:
        readListReply(text);
        break;
    case 2:
        readTextWrapper(text);
        break;
    default:
        readUploadAnswer(bytes);
        break;
    }
    return 0;
}
