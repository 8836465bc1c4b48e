#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QSet>
#include <QTextCodec>
#include <QtTest>

class TestStringUtil : public QObject
{
    Q_OBJECT
private slots:
    void randomString();
    void randomStringsDrawnTogetherDiffer();
    void hashString_data();
    void hashString();
    void pinyinInitials_data();
    void pinyinInitials();
    void secondLevelTable();
    void httpJsonToMap_data();
    void httpJsonToMap();
    void httpJsonToStatus_data();
    void httpJsonToStatus();
    void httpJsonToList_data();
    void httpJsonToList();
    void listRowsDoNotInheritMissingKeys();
    void jsonToList_data();
    void jsonToList();
    void listToJson();
    void stringToJsonObject();
    void containsChar();
    void jsonText_data();
    void jsonText();
    void logExcerpt_data();
    void logExcerpt();
};

void TestStringUtil::randomString()
{
    const QString alphabet = GlobalDefault::idAlphabet;
    QCOMPARE(alphabet.size(), 62);
    QCOMPARE(StringUtil::randomString(0, alphabet), QString());
    const QString id = StringUtil::randomString(40, alphabet);
    QCOMPARE(id.size(), 40);
    for (const QChar c : id)
        QVERIFY(alphabet.contains(c));
    QCOMPARE(StringUtil::randomString(10, QString()), QString());
    // Every letter is reachable.
    QSet<QChar> seen;
    for (int i = 0; i < 200; ++i)
        for (const QChar c : StringUtil::randomString(40, alphabet))
            seen.insert(c);
    QCOMPARE(seen.size(), 62);
}

void TestStringUtil::randomStringsDrawnTogetherDiffer()
{
    // Ids drawn in the same millisecond must not repeat.
    QSet<QString> ids;
    for (int i = 0; i < 1000; ++i)
        ids.insert(StringUtil::randomString(10, GlobalDefault::idAlphabet));
    QCOMPARE(ids.size(), 1000);
}

void TestStringUtil::hashString_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quint64>("hash");
    // Published FNV-1a 64-bit values.
    QTest::newRow("empty") << QByteArray("") << quint64(0xcbf29ce484222325ULL);
    QTest::newRow("a") << QByteArray("a") << quint64(0xaf63dc4c8601ec8cULL);
    QTest::newRow("foobar") << QByteArray("foobar") << quint64(0x85944171f73967e8ULL);
}

void TestStringUtil::hashString()
{
    QFETCH(QByteArray, text);
    QFETCH(quint64, hash);
    QCOMPARE(StringUtil::hashString(text.constData(), StringUtil::fnvOffsetBasis), hash);
    QCOMPARE(StringUtil::hashString("", 12345u), quint64(12345u));
}

void TestStringUtil::pinyinInitials_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("initials");
    QTest::newRow("ascii kept") << "Abc 123"
                                << "Abc 123";
    QTest::newRow("first level") << QString::fromUtf8("张三") << "ZS";
    QTest::newRow("first level 2") << QString::fromUtf8("李小明") << "LXM";
    QTest::newRow("boundaries") << QString::fromUtf8("啊芭擦") << "ABC";
    QTest::newRow("mixed") << QString::fromUtf8("王5a") << "W5a";
    QTest::newRow("second level") << QString::fromUtf8("亍丌") << "CJ";
    QTest::newRow("empty") << ""
                           << "";
}

void TestStringUtil::pinyinInitials()
{
    QFETCH(QString, text);
    QFETCH(QString, initials);
    QCOMPARE(StringUtil::getPinyinInitials(text), initials);
}

void TestStringUtil::secondLevelTable()
{
    const QByteArray table(StringUtil::secondLevelInitials);
    QCOMPARE(table.size(), 3008);
    for (const char c : table)
        QVERIFY2((c >= 'A' && c <= 'Z' && c != 'I' && c != 'U' && c != 'V') || c == '[', &c);
    // A double-byte character outside both levels is copied as its two bytes.
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    QVERIFY(gbk);
    const QString fullWidthA = QString::fromUtf8("Ａ"); // GBK A3 C1
    QCOMPARE(gbk->fromUnicode(fullWidthA), QByteArray("\xA3\xC1"));
    const QString copied = StringUtil::getPinyinInitials(fullWidthA);
    QCOMPARE(copied.size(), 2);
    QCOMPARE(copied.at(0).unicode(), ushort(0xA3));
    QCOMPARE(copied.at(1).unicode(), ushort(0xC1));
}

void TestStringUtil::httpJsonToMap_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("loginStatus");
    QTest::addColumn<QString>("body");
    QTest::newRow("result 1") << R"({"requestStatus":"x","requestBody":{"result":"1"}})" << true << "keep"
                              << "success";
    QTest::newRow("result 0") << R"({"requestStatus":"x","requestBody":{"result":"0"}})" << true << "keep"
                              << "error";
    QTest::newRow("text body") << R"({"loginStatus":"2","requestStatus":"fail","requestBody":"bad"})" << true << "2"
                               << "bad";
    QTest::newRow("no requestStatus") << R"({"loginStatus":"3","requestBody":"bad"})" << false << "3"
                                      << "keep";
    QTest::newRow("numeric requestStatus") << R"({"requestStatus":1,"requestBody":"x"})" << false << "keep"
                                           << "keep";
    QTest::newRow("result not text") << R"({"requestStatus":"x","requestBody":{"result":1}})" << false << "keep"
                                     << "keep";
    QTest::newRow("array") << R"([1,2])" << false << "keep"
                           << "keep";
    QTest::newRow("garbage") << "not json" << false << "keep"
                             << "keep";
    QTest::newRow("time-out") << "error" << false << "keep"
                              << "keep";
    QTest::newRow("empty") << "" << false << "keep"
                           << "keep";
}

void TestStringUtil::httpJsonToMap()
{
    QFETCH(QString, reply);
    QFETCH(bool, ok);
    QFETCH(QString, loginStatus);
    QFETCH(QString, body);
    QString status = "keep";
    QString outBody = "keep";
    QCOMPARE(StringUtil::httpJsonToMap(reply, status, outBody), ok);
    QCOMPARE(status, loginStatus);
    QCOMPARE(outBody, body);
}

void TestStringUtil::httpJsonToStatus_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("status");
    QTest::newRow("text code") << R"({"loginStatus":"2","requestStatus":"error","requestBody":"4"})" << true << 4;
    QTest::newRow("number code") << R"({"requestStatus":"error","requestBody":3})" << true << 3;
    QTest::newRow("result text") << R"({"requestStatus":"error","requestBody":{"result":"8"}})" << true << 8;
    QTest::newRow("result number") << R"({"requestStatus":"error","requestBody":{"result":12}})" << true << 12;
    QTest::newRow("negative") << R"({"requestStatus":"error","requestBody":"-1"})" << true << -1;
    QTest::newRow("padded text") << R"({"requestStatus":"error","requestBody":" 2 "})" << true << 2;
    QTest::newRow("words") << R"({"requestStatus":"error","requestBody":"wrong password"})" << false << -7;
    QTest::newRow("fraction") << R"({"requestStatus":"error","requestBody":2.5})" << false << -7;
    QTest::newRow("beyond int") << R"({"requestStatus":"error","requestBody":1e12})" << false << -7;
    QTest::newRow("too long text") << R"({"requestStatus":"error","requestBody":"99999999999"})" << false << -7;
    QTest::newRow("array body") << R"({"requestStatus":"error","requestBody":[1]})" << false << -7;
    QTest::newRow("object without result") << R"({"requestStatus":"error","requestBody":{"code":1}})" << false << -7;
    QTest::newRow("no requestStatus") << R"({"requestBody":"4"})" << false << -7;
    QTest::newRow("no body") << R"({"requestStatus":"error"})" << false << -7;
    QTest::newRow("time-out") << "error" << false << -7;
    QTest::newRow("empty") << "" << false << -7;
}

void TestStringUtil::httpJsonToStatus()
{
    QFETCH(QString, reply);
    QFETCH(bool, ok);
    QFETCH(int, status);
    int out = -7;
    QCOMPARE(StringUtil::httpJsonToStatus(reply, out), ok);
    QCOMPARE(out, status);
}

void TestStringUtil::httpJsonToList_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("loginStatus");
    QTest::newRow("two rows") << R"({"loginStatus":"1","requestStatus":"success","requestBody":[{"a":1},{"a":2}]})"
                              << true << 2 << "1";
    QTest::newRow("empty array") << R"({"requestStatus":"success","requestBody":[]})" << true << 0 << "keep";
    QTest::newRow("fail keeps status") << R"({"loginStatus":"2","requestStatus":"fail","requestBody":[{"a":1}]})"
                                       << false << 0 << "2";
    QTest::newRow("body not array") << R"({"requestStatus":"success","requestBody":"x"})" << false << 0 << "keep";
    QTest::newRow("not json") << "error" << false << 0 << "keep";
}

void TestStringUtil::httpJsonToList()
{
    QFETCH(QString, reply);
    QFETCH(bool, ok);
    QFETCH(int, rows);
    QFETCH(QString, loginStatus);
    if (!ok)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^json parse error! jsonerror:"));
    JsonRows out;
    QString status = "keep";
    QCOMPARE(StringUtil::httpJsonToList(reply, out, status), ok);
    QCOMPARE(out.size(), rows);
    QCOMPARE(status, loginStatus);
}

void TestStringUtil::listRowsDoNotInheritMissingKeys()
{
    JsonRows rows;
    QString status;
    QVERIFY(StringUtil::httpJsonToList(
        R"({"requestStatus":"success","requestBody":[{"id":"1","title":"first"},{"id":"2"}]})", rows, status));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).value("title").toString(), QString("first"));
    QVERIFY(!rows.at(1).contains("title"));

    JsonRows bare;
    QVERIFY(StringUtil::jsonToList(R"([{"userId":"7","userName":"A"},{"userId":"8"}])", bare));
    QCOMPARE(bare.size(), 2);
    QVERIFY(!bare.at(1).contains("userName"));
    QCOMPARE(bare.at(1).value("userId").toString(), QString("8"));
}

void TestStringUtil::jsonToList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("warning");
    QTest::newRow("array") << R"([{"a":1},{"b":"x"}])" << true << 2 << "";
    QTest::newRow("empty array") << "[]" << true << 0 << "";
    QTest::newRow("object") << R"({"a":1})" << false << 0 << "^the json is not array error! jsonError:";
    QTest::newRow("broken") << "[{" << false << 0 << "^the json analysisError! jsonError:";
}

void TestStringUtil::jsonToList()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, rows);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    JsonRows out;
    QCOMPARE(StringUtil::jsonToList(text, out), ok);
    QCOMPARE(out.size(), rows);
}

void TestStringUtil::listToJson()
{
    JsonRows rows;
    rows.append({ { "id", 5 }, { "name", QString::fromUtf8("数学") } });
    rows.append({ { "flag", true } });
    QString text;
    QVERIFY(StringUtil::listToJson(rows, text));
    QCOMPARE(text, QString::fromUtf8(R"([{"id":"5","name":"数学"},{"flag":"true"}])"));
    QVERIFY(StringUtil::listToJson(JsonRows(), text));
    QCOMPARE(text, QString("[]"));
}

void TestStringUtil::stringToJsonObject()
{
    QCOMPARE(StringUtil::stringToJsonObject(R"({"a":"b"})").value("a").toString(), QString("b"));
    QVERIFY(StringUtil::stringToJsonObject("[1]").isEmpty());
    QVERIFY(StringUtil::stringToJsonObject("{").isEmpty());
}

void TestStringUtil::containsChar()
{
    QVERIFY(stringContainsChar('b', "abc"));
    QVERIFY(!stringContainsChar('z', "abc"));
    QVERIFY(!stringContainsChar('a', ""));
}

void TestStringUtil::jsonText_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("text");
    // Ids arrive as JSON numbers.
    QTest::newRow("large whole number") << R"([{"v":1234567890123}])" << "1234567890123";
    QTest::newRow("negative") << R"([{"v":-42}])" << "-42";
    QTest::newRow("fraction") << R"([{"v":2.5}])" << "2.5";
    QTest::newRow("text") << R"([{"v":"0012"}])" << "0012";
    QTest::newRow("null") << R"([{"v":null}])" << "";
    // Past the whole numbers a cast would be undefined: the number is told as it is.
    QTest::newRow("beyond whole numbers") << R"([{"v":3.9e122}])" << "3.9e+122";
    QTest::newRow("far below") << R"([{"v":-1e19}])" << "-1e+19";
}

void TestStringUtil::jsonText()
{
    QFETCH(QString, json);
    QFETCH(QString, text);
    JsonRows rows;
    QVERIFY(StringUtil::jsonToList(json, rows));
    QCOMPARE(StringUtil::jsonText(rows.value(0).value("v")), text);
}

void TestStringUtil::logExcerpt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("short text as it is") << QByteArray("{\"hb\":\"KPRV\"}") << "{\"hb\":\"KPRV\"}";
    QTest::newRow("control bytes escaped") << QByteArray("a\nb\x01\xff", 5) << "a\\x0ab\\x01\\xff";
    QTest::newRow("long text cut with its size")
        << QByteArray(1024 * 1024, 'k') << QString(StringUtil::logExcerptLength, 'k') + "...(1048576 bytes)";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestStringUtil::logExcerpt()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(StringUtil::logExcerpt(bytes), shown);
    // A text is cut the same way, counted in characters; only its control characters are escaped (a line end
    // would start a log line of the peer's making), the rest stays readable.
    const QString text = QString::fromLatin1(bytes);
    QString expected;
    for (const QChar c : text.left(StringUtil::logExcerptLength)) {
        expected += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                       : QString(c);
    }
    if (text.size() > StringUtil::logExcerptLength)
        expected += QStringLiteral("...(%1 chars)").arg(text.size());
    QCOMPARE(StringUtil::logExcerpt(text), expected);
    if (bytes.contains('\n'))
        QVERIFY(!StringUtil::logExcerpt(text).contains('\n'));
}

QTEST_GUILESS_MAIN(TestStringUtil)
#include "tst_stringutil.moc"
