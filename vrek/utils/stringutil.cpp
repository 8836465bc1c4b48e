#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTextCodec>
#include <QTextDocument>

#include <climits>
#include <cmath>

namespace {

// Rows of the GB2312 first-level characters where each initial begins.
struct InitialBoundary
{
    int code;
    char letter;
};
const InitialBoundary kFirstLevel[] = {
    { 1601, 'A' },
    { 1637, 'B' },
    { 1833, 'C' },
    { 2078, 'D' },
    { 2274, 'E' },
    { 2302, 'F' },
    { 2433, 'G' },
    { 2594, 'H' },
    { 2787, 'J' },
    { 3106, 'K' },
    { 3212, 'L' },
    { 3472, 'M' },
    { 3635, 'N' },
    { 3722, 'O' },
    { 3730, 'P' },
    { 3858, 'Q' },
    { 4027, 'R' },
    { 4086, 'S' },
    { 4390, 'T' },
    { 4558, 'W' },
    { 4684, 'X' },
    { 4925, 'Y' },
    { 5249, 'Z' },
};

// Each element gets a map of its own: a key missing from one object must not inherit the previous value.
bool arrayToRows(const QJsonArray &array, JsonRows &rows)
{
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        QMap<QString, QVariant> row;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            row.insert(it.key(), it.value().toVariant());
        rows.append(row);
    }
    return true;
}

} // namespace

QString StringUtil::randomString(unsigned int length, const QString &alphabet)
{
    QString result;
    if (alphabet.isEmpty())
        return result;
    result.reserve(int(length));
    QRandomGenerator *generator = QRandomGenerator::global();
    for (unsigned int i = 0; i < length; ++i)
        result.append(alphabet.at(int(generator->bounded(quint32(alphabet.size())))));
    return result;
}

quint64 StringUtil::hashString(const char *str, quint64 value)
{
    if (!str)
        return value;
    for (; *str; ++str) {
        const quint64 byte = quint64(qint64(static_cast<signed char>(*str)));
        value = (value ^ byte) * fnvPrime;
    }
    return value;
}

QString StringUtil::clippedText(const QString &text)
{
    int end = qMin(text.size(), int(clippedLength));
    int lines = 1;
    for (int i = 0; i < end; ++i) {
        if (text.at(i) == QLatin1Char('\n') && ++lines > clippedLines) {
            end = i;
            break;
        }
    }
    // Half a character would show as a box of its own.
    if (end < text.size() && end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    QString shown = text.left(end);
    for (int i = 0; i < shown.size(); ++i) {
        const ushort u = shown.at(i).unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || (u >= 0x7F && u < 0xA0))
            shown[i] = QChar::ReplacementCharacter;
    }
    if (end < text.size())
        shown.append(QChar(0x2026));
    return shown;
}

QString StringUtil::plainToolTip(const QString &text)
{
    const QString clipped = clippedText(text);
    if (!Qt::mightBeRichText(clipped))
        return clipped;
    return Qt::convertFromPlainText(clipped, Qt::WhiteSpaceNormal);
}

QString StringUtil::getPinyinInitials(const QString &text)
{
    // The tables are in GB2312 order, so walk the GBK bytes whatever the locale is.
    static QTextCodec *gbk = QTextCodec::codecForName("GBK");
    const QByteArray bytes = gbk ? gbk->fromUnicode(text) : text.toLocal8Bit();
    QString result;
    const int size = bytes.size();
    int i = 0;
    while (i < size) {
        const int b1 = static_cast<unsigned char>(bytes.at(i));
        const int b2 = i + 1 < size ? static_cast<unsigned char>(bytes.at(i + 1)) : 0;
        if (b1 < 0xA1 || b2 < 0xA1) {
            result.append(QChar::fromLatin1(char(b1)));
            i += 1;
            continue;
        }
        const int code = (b1 - 160) * 100 + (b2 - 160);
        if (code >= 1601 && code <= 5589) {
            char letter = 'A';
            for (const InitialBoundary &boundary : kFirstLevel) {
                if (boundary.code <= code)
                    letter = boundary.letter;
            }
            result.append(QChar::fromLatin1(letter));
        } else {
            const int index = (b1 - 216) * 94 + (b2 - 161);
            if (index >= 0 && index <= 3007) {
                result.append(QChar::fromLatin1(secondLevelInitials[index]));
            } else {
                result.append(QChar::fromLatin1(char(b1)));
                result.append(QChar::fromLatin1(char(b2)));
            }
        }
        i += 2;
    }
    return result;
}

QJsonObject StringUtil::stringToJsonObject(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QJsonObject();
    return document.object();
}

bool StringUtil::httpJsonToMap(const QString &text, QString &loginStatus, QString &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    if (object.value("loginStatus").isString())
        loginStatus = object.value("loginStatus").toString();
    if (!object.value("requestStatus").isString())
        return false;
    const QJsonValue requestBody = object.value("requestBody");
    if (requestBody.isString()) {
        body = requestBody.toString();
        return true;
    }
    if (requestBody.isObject() && requestBody.toObject().value("result").isString()) {
        body = requestBody.toObject().value("result").toString() == "1" ? "success" : "error";
        return true;
    }
    return false;
}

bool StringUtil::httpJsonToList(const QString &text, JsonRows &rows, QString &loginStatus)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qWarning() << "json parse error! jsonerror:" << error.error;
        return false;
    }
    const QJsonObject object = document.object();
    if (object.contains("loginStatus"))
        loginStatus = object.value("loginStatus").toVariant().toString();
    const QJsonValue requestStatus = object.value("requestStatus");
    const QJsonValue requestBody = object.value("requestBody");
    if (!requestStatus.isString() || requestStatus.toString() != "success" || !requestBody.isArray()) {
        qWarning() << "json parse error! jsonerror:" << error.error;
        return false;
    }
    return arrayToRows(requestBody.toArray(), rows);
}

bool StringUtil::isJsonDocument(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    return error.error == QJsonParseError::NoError && (document.isObject() || document.isArray());
}

bool StringUtil::httpJsonToStatus(const QString &text, int &status)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    if (!object.value("requestStatus").isString())
        return false;
    QJsonValue code = object.value("requestBody");
    if (code.isObject())
        code = code.toObject().value("result");
    if (code.isString()) {
        bool ok = false;
        const int value = code.toString().trimmed().toInt(&ok, 10);
        if (!ok)
            return false;
        status = value;
        return true;
    }
    if (code.isDouble()) {
        const double value = code.toDouble();
        if (value < double(INT_MIN) || value > double(INT_MAX) || value != std::floor(value))
            return false;
        status = int(value);
        return true;
    }
    return false;
}

bool StringUtil::jsonToList(const QString &text, JsonRows &rows)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning() << "the json analysisError! jsonError:" << error.error;
        return false;
    }
    if (!document.isArray()) {
        qWarning() << "the json is not array error! jsonError:" << error.error;
        return false;
    }
    return arrayToRows(document.array(), rows);
}

bool StringUtil::listToJson(const JsonRows &rows, QString &text)
{
    QJsonArray array;
    for (const QMap<QString, QVariant> &row : rows) {
        QJsonObject object;
        for (auto it = row.constBegin(); it != row.constEnd(); ++it)
            object.insert(it.key(), it.value().toString());
        array.append(object);
    }
    text = QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    return true;
}

QString StringUtil::jsonText(const QVariant &value)
{
    if (value.type() == QVariant::Double) {
        const double number = value.toDouble();
        // Only a number within the range of whole numbers may be cast: beyond it the cast is undefined.
        if (number > -9.0e18 && number < 9.0e18) {
            const qint64 whole = qint64(number);
            if (double(whole) == number)
                return QString::number(whole);
        }
    }
    return value.toString();
}

bool stringContainsChar(QChar c, const QString &text)
{
    for (const QChar &each : text) {
        if (each == c)
            return true;
    }
    return false;
}

QString StringUtil::logExcerpt(const QString &text, int maxLength)
{
    // Control characters escaped too: a peer's line end would otherwise start a log line of the peer's making.
    QString shown;
    for (const QChar c : text.left(maxLength)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            shown.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
        else
            shown.append(c);
    }
    if (text.size() > maxLength)
        shown.append(QStringLiteral("...(%1 chars)").arg(text.size()));
    return shown;
}

QString StringUtil::logExcerpt(const QByteArray &bytes, int maxLength)
{
    const QByteArray head = bytes.left(maxLength);
    // Printable ASCII as it is, the rest escaped, so that a line stays one line.
    QString shown;
    for (const char c : head) {
        if (c >= 0x20 && c < 0x7F)
            shown.append(QLatin1Char(c));
        else
            shown.append(QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0')));
    }
    if (bytes.size() > maxLength)
        shown.append(QStringLiteral("...(%1 bytes)").arg(bytes.size()));
    return shown;
}
