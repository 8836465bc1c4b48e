#ifndef STRINGUTIL_H
#define STRINGUTIL_H

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

using JsonRows = QList<QMap<QString, QVariant>>;

// Stateless text helpers: random ids, a string hash, pinyin initials and the REST reply readers.
class StringUtil
{
public:
    // Uniformly drawn from the alphabet, from one well-seeded generator shared by every thread.
    static QString randomString(unsigned int length, const QString &alphabet);
    // FNV-1a, 64 bits; callers start from fnvOffsetBasis.
    static quint64 hashString(const char *str, quint64 value);
    static QString getPinyinInitials(const QString &text);
    // Outside text as a widget lays it out (a label, a list entry, a chat bubble, a tool tip, a box): a megabyte of
    // it, or a word that long, would hold the GUI thread for seconds and make the widget as large. At most
    // clippedLength characters and clippedLines lines, with an ellipsis when cut; a control character other than a
    // tab or a line end shows as U+FFFD, as a NUL would otherwise end the text in much of Qt.
    static QString clippedText(const QString &text);
    // A tool tip that shows outside text literally (clipped): unchanged when Qt takes it as plain, escaped and
    // wrapped in a paragraph when Qt would guess rich text (and lay out its markup, reading any local file an
    // <img> names).
    static QString plainToolTip(const QString &text);

    static QJsonObject stringToJsonObject(const QString &text);
    // The REST reply wrapper: {"loginStatus", "requestStatus", "requestBody"}.
    static bool httpJsonToMap(const QString &text, QString &loginStatus, QString &body);
    static bool httpJsonToList(const QString &text, JsonRows &rows, QString &loginStatus);
    // The numeric result code a wrapper carries in "requestBody": a whole number, a text of one, or an object
    // whose "result" is either. False when the reply is no wrapper or carries no such code.
    static bool httpJsonToStatus(const QString &text, int &status);
    // True for a JSON document (an object or an array) of any content: a reply the server did send, whether or not
    // it holds what the caller expects.
    static bool isJsonDocument(const QString &text);
    static bool jsonToList(const QString &text, JsonRows &rows);
    static bool listToJson(const JsonRows &rows, QString &text);
    // A text field of a reply row: numbers the server sends as such keep all their digits.
    static QString jsonText(const QVariant &value);
    // What a log line shows of a text from a peer: its start and, when cut, its full size. A peer's text can be
    // as long as a frame, and the log has no bound of its own.
    static QString logExcerpt(const QString &text, int maxLength = logExcerptLength);
    static QString logExcerpt(const QByteArray &bytes, int maxLength = logExcerptLength);
    static constexpr int logExcerptLength = 48;

    static constexpr int clippedLength = 500;
    static constexpr int clippedLines = 20;
    static constexpr quint64 fnvOffsetBasis = 14695981039346656037ULL;
    static constexpr quint64 fnvPrime = 1099511628211ULL;

    static const char secondLevelInitials[3009];
};

bool stringContainsChar(QChar c, const QString &text);

#endif // STRINGUTIL_H
