#include "tests/support/fakeclassroomserver.h"
#include "vrek/class/classcreateview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QComboBox>
#include <QDateEdit>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString subjectsJson = R"([{"id":"31","classCode":"c31","className":"三年级二班","gradeType":"3",)"
                             R"("schoolType":"1","subjectType":"7","classType":4},)"
                             R"({"id":"32","classCode":"c32","className":"四年级一班","gradeType":"4",)"
                             R"("schoolType":"1","subjectType":"2","classType":0}])";

template<typename T>
T *child(const QWidget &view, const char *name)
{
    T *found = view.findChild<T *>(name);
    if (!found)
        qFatal("no child %s", name);
    return found;
}

QString tip(const ClassCreateView &view)
{
    return child<QLabel>(view, "tipLabel")->text();
}

// The texts of the information boxes shown, which are then closed.
QStringList takeBoxes(const ClassCreateView &view)
{
    QStringList texts;
    const QList<QMessageBox *> boxes = view.findChildren<QMessageBox *>();
    for (QMessageBox *box : boxes) {
        if (!box->isVisible())
            continue;
        texts << box->windowTitle() + ":" + box->text();
        box->close();
    }
    return texts;
}

GroupInfo subject(const QString &id, const QString &name)
{
    GroupInfo info;
    info.setId(id);
    info.setClassName(name);
    info.setLessonType(4);
    return info;
}
} // namespace

class TestClassCreateView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startIsTheNextFiveMinutes_data();
    void startIsTheNextFiveMinutes();
    void form();
    void checks_data();
    void checks();
    void startInThePastIsRefused();
    void subjectsFillTheComboWithNothingChosen();
    void createReply_data();
    void createReply();
    void withoutConnectionFailsAtOnce();
    void closingUnlocksTheForm();
    void returnKeySubmits();
    void requestAndReplyLinesOverTheClassroomServer();
    void refusedCreateOverTheClassroomServer();
    void unaskedCreateRepliesAreDropped_data();
    void unaskedCreateRepliesAreDropped();

private:
    bool connectToServer();

    FakeClassroomServer *m_server = nullptr;
    SocketClientManager *m_manager = nullptr;
    QDateTime m_now;
};

void TestClassCreateView::init()
{
    g_userId = "1001";
    g_userType = 1;
    g_classStartCount = 5;
    m_now = QDateTime(QDate(2030, 5, 6), QTime(10, 2, 30));
}

void TestClassCreateView::cleanup()
{
    g_socketClientManager = nullptr;
    delete m_manager;
    m_manager = nullptr;
    delete m_server;
    m_server = nullptr;
}

bool TestClassCreateView::connectToServer()
{
    m_server = new FakeClassroomServer;
    if (!m_server->listen())
        return false;
    m_server->answerLogin();
    m_server->answerHeartbeats();
    m_manager = new SocketClientManager(GlobalEnum::User1);
    g_socketClientManager = m_manager;
    m_manager->setHostAndPort(m_server->host(), m_server->port());
    QSignalSpy result(m_manager, &SocketClientManager::signalConnectResult);
    m_manager->connectServerAndLogin("stu", "pw");
    return result.wait(5000) && result.at(0).at(0).toUInt() == 0;
}

void TestClassCreateView::startIsTheNextFiveMinutes_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("hour");
    QTest::addColumn<QString>("minute");
    QTest::newRow("10:02") << QDateTime(QDate(2030, 5, 6), QTime(10, 2, 10)) << QDate(2030, 5, 6) << "10"
                           << "5";
    QTest::newRow("10:05") << QDateTime(QDate(2030, 5, 6), QTime(10, 5, 59)) << QDate(2030, 5, 6) << "10"
                           << "5";
    QTest::newRow("10:58") << QDateTime(QDate(2030, 5, 6), QTime(10, 58)) << QDate(2030, 5, 6) << "11"
                           << "0";
    QTest::newRow("23:58") << QDateTime(QDate(2030, 12, 31), QTime(23, 58)) << QDate(2031, 1, 1) << "0"
                           << "0";
}

void TestClassCreateView::startIsTheNextFiveMinutes()
{
    QFETCH(QDateTime, now);
    QFETCH(QDate, date);
    QFETCH(QString, hour);
    QFETCH(QString, minute);
    ClassCreateView view;
    view.initialStartTime(now);
    QCOMPARE(child<QDateEdit>(view, "startDateEdit")->date(), date);
    QCOMPARE(child<QDateEdit>(view, "startDateEdit")->minimumDate(), now.date().addYears(-1));
    QCOMPARE(child<QDateEdit>(view, "startDateEdit")->maximumDate(), now.date().addYears(1));
    QCOMPARE(child<QComboBox>(view, "startComboBox_1")->currentText(), hour);
    QCOMPARE(child<QComboBox>(view, "startComboBox_2")->currentText(), minute);
}

void TestClassCreateView::form()
{
    ClassCreateView view;
    QCOMPARE(view.size(), QSize(500, 400));
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->maxLength(), 20);
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->placeholderText(), QString("2-20个字"));
    QCOMPARE(child<QComboBox>(view, "startComboBox_1")->count(), 24);
    QCOMPARE(child<QComboBox>(view, "startComboBox_2")->count(), 12);
    QCOMPARE(child<QComboBox>(view, "startComboBox_2")->itemText(11), QString("55"));
    QComboBox *length = child<QComboBox>(view, "classTimeComboBox");
    QCOMPARE(length->count(), 11);
    QCOMPARE(length->itemText(10), QString("120"));
    QCOMPARE(length->currentText(), QString("30"));
    QCOMPARE(child<QDateEdit>(view, "startDateEdit")->displayFormat(), QString("yyyy年M月d日"));
}

void TestClassCreateView::checks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("withClass");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("nameRed");
    QTest::newRow("one character") << "a" << true << "课程名称需要2-20个字符" << true;
    QTest::newRow("empty") << "" << true << "课程名称需要2-20个字符" << true;
    QTest::newRow("backslash") << "数学\\课" << true << "课程名称不允许有特殊字符" << false;
    QTest::newRow("backslash and no class") << "数学\\课" << false << "上课班级不能为空" << false;
    QTest::newRow("short and no class") << "a" << false << "上课班级不能为空" << true;
    QTest::newRow("no class") << "数学课" << false << "上课班级不能为空" << false;
}

void TestClassCreateView::checks()
{
    QFETCH(QString, name);
    QFETCH(bool, withClass);
    QFETCH(QString, message);
    QFETCH(bool, nameRed);
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    view.initialStartTime(m_now);
    if (withClass) {
        view.slotRecvSubjectInfo({ subject("31", "三年级二班") });
        child<QComboBox>(view, "classGradeComboBox")->setCurrentIndex(0);
    }
    QSignalSpy closed(&view, &ClassCreateView::signalCloseOut);
    child<QLineEdit>(view, "classNameLineEdit")->setText(name);
    view.slotSubmitButtonClicked();
    QCOMPARE(tip(view), message);
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->styleSheet().contains("red"), nameRed);
    QLineEdit *classLine = child<QComboBox>(view, "classGradeComboBox")->lineEdit();
    QCOMPARE(classLine->styleSheet().contains("red"), !withClass);
    QVERIFY(view.isEnabled());
    QVERIFY(takeBoxes(view).isEmpty());
    QCOMPARE(closed.count(), 0);
}

void TestClassCreateView::startInThePastIsRefused()
{
    ClassCreateView view;
    // 10:00:30 now; the fields say 10:00:00 of today.
    m_now = QDateTime(QDate(2030, 5, 6), QTime(10, 0, 30));
    view.setClock([this] { return m_now; });
    view.initialStartTime(m_now);
    QCOMPARE(view.startTime(), QDateTime(QDate(2030, 5, 6), QTime(10, 0)));
    view.slotRecvSubjectInfo({ subject("31", "三年级二班") });
    child<QComboBox>(view, "classGradeComboBox")->setCurrentIndex(0);
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
    view.slotSubmitButtonClicked();
    QCOMPARE(tip(view), QString());
    QCOMPARE(takeBoxes(view), QStringList { "提示:开课时间不能小于当前时间" });
    QVERIFY(view.isEnabled());
}

void TestClassCreateView::subjectsFillTheComboWithNothingChosen()
{
    ClassCreateView view;
    view.slotRecvSubjectInfo({ subject("1", "a"), subject("2", "b") });
    view.slotRecvSubjectInfo({ subject("31", "三年级二班"), subject("32", "四年级一班") });
    QComboBox *box = child<QComboBox>(view, "classGradeComboBox");
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), QString("三年级二班"));
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->lineEdit()->placeholderText(), QString("请选择班级"));
    QCOMPARE(view.subjects().size(), 2);
    QCOMPARE(view.subjects().at(1).getId(), QString("32"));
}

void TestClassCreateView::createReply_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("created");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("created") << "26\t1001\t1" << true << QStringList();
    QTest::newRow("created with a count") << "26\t1001\t7\tx" << true << QStringList();
    QTest::newRow("refused") << "26\t1001\t0" << false << QStringList { "提示:创建失败" };
    QTest::newRow("no number") << "26\t1001\tyes" << false << QStringList { "提示:创建失败" };
    QTest::newRow("too short") << "26\t1001" << false << QStringList();
}

void TestClassCreateView::createReply()
{
    QFETCH(QString, line);
    QFETCH(bool, created);
    QFETCH(QStringList, boxes);
    QVERIFY(connectToServer());
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    view.initialStartTime(m_now);
    QSignalSpy closed(&view, &ClassCreateView::signalCloseOut);
    view.slotRecvSubjectInfo({ subject("31", "三年级二班") });
    child<QComboBox>(view, "classGradeComboBox")->setCurrentIndex(0);
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
    view.slotSubmitButtonClicked();
    QVERIFY(!m_server->waitForLine("26\t").isNull());
    view.slotRecvCreateProtocol(line);
    QCOMPARE(closed.count(), created ? 1 : 0);
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->text(), created ? QString() : QString("数学课"));
    QCOMPARE(g_classStartCount, created ? 0 : 5);
    QCOMPARE(takeBoxes(view), boxes);
    // A reply too short to read is no answer: the form keeps waiting.
    const bool answered = line.count('\t') >= 2;
    QCOMPARE(view.isEnabled(), answered);
    QCOMPARE(child<QPushButton>(view, "submitPushButton")->text(), QString(answered ? "确定" : "正在加载..."));
}

void TestClassCreateView::withoutConnectionFailsAtOnce()
{
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    view.initialStartTime(m_now);
    view.slotRecvSubjectInfo({ subject("31", "三年级二班") });
    child<QComboBox>(view, "classGradeComboBox")->setCurrentIndex(0);
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the course cannot be created"));
    view.slotSubmitButtonClicked();
    QCOMPARE(takeBoxes(view), QStringList { "提示:创建失败" });
    QVERIFY(view.isEnabled());
    QCOMPARE(child<QPushButton>(view, "submitPushButton")->text(), QString("确定"));
}

void TestClassCreateView::closingUnlocksTheForm()
{
    QVERIFY(connectToServer());
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    view.show();
    QVERIFY(!m_server->waitForLine("22\t").isNull());
    view.slotRecvSubjectInfo({ subject("31", "三年级二班") });
    child<QComboBox>(view, "classGradeComboBox")->setCurrentIndex(0);
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
    view.slotSubmitButtonClicked();
    QVERIFY(!view.isEnabled());
    QCOMPARE(child<QPushButton>(view, "submitPushButton")->text(), QString("正在加载..."));
    // No reply comes; closing and reopening gives a usable form.
    view.hide();
    QVERIFY(view.isEnabled());
    QCOMPARE(child<QPushButton>(view, "submitPushButton")->text(), QString("确定"));
}

void TestClassCreateView::returnKeySubmits()
{
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    view.show();
    QLineEdit *name = child<QLineEdit>(view, "classNameLineEdit");
    name->setFocus();
    QTRY_VERIFY(name->hasFocus());
    name->setText("a");
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(tip(view), QString("上课班级不能为空"));
    child<QLabel>(view, "tipLabel")->clear();
    QTest::keyClick(name, Qt::Key_Enter);
    QCOMPARE(tip(view), QString("上课班级不能为空"));
}

void TestClassCreateView::requestAndReplyLinesOverTheClassroomServer()
{
    QVERIFY(connectToServer());
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    QSignalSpy closed(&view, &ClassCreateView::signalCloseOut);
    view.show();
    QCOMPARE(m_server->waitForLine("22\t"), QString("22\t1001"));
    m_server->sendLine("22\t" + subjectsJson);
    QComboBox *box = child<QComboBox>(view, "classGradeComboBox");
    QTRY_COMPARE(box->count(), 2);
    box->setCurrentIndex(1);
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
    child<QComboBox>(view, "classTimeComboBox")->setCurrentText("40");
    QTest::mouseClick(child<QPushButton>(view, "submitPushButton"), Qt::LeftButton);
    QVERIFY(!view.isEnabled());

    const QString line = m_server->waitForLine("26\t");
    QVERIFY(line.startsWith("26\t1001\t"));
    const QJsonArray array = QJsonDocument::fromJson(line.section('\t', 2).toUtf8()).array();
    QCOMPARE(array.size(), 1);
    const QJsonObject request = array.first().toObject();
    QCOMPARE(request.value("id").toString(), QString("32"));
    QCOMPARE(request.value("title").toString(), QString("数学课"));
    QCOMPARE(request.value("schoolType").toString(), QString("1"));
    QCOMPARE(request.value("gradeType").toString(), QString("4"));
    QCOMPARE(request.value("classType").toVariant().toInt(), 0);
    QCOMPARE(request.value("subjectType").toString(), QString("2"));
    QCOMPARE(request.value("beginTime").toString(), QString("2030-05-06 10:05:00"));
    QCOMPARE(request.value("actualTime").toString(), QString("40"));

    m_server->sendLine("26\t1001\t1");
    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(view.isEnabled());
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->text(), QString());
    QCOMPARE(g_classStartCount, 0);
}

void TestClassCreateView::refusedCreateOverTheClassroomServer()
{
    QVERIFY(connectToServer());
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    QSignalSpy closed(&view, &ClassCreateView::signalCloseOut);
    view.show();
    QVERIFY(!m_server->waitForLine("22\t").isNull());
    m_server->sendLine("22\t" + subjectsJson);
    QTRY_COMPARE(child<QComboBox>(view, "classGradeComboBox")->count(), 2);
    child<QComboBox>(view, "classGradeComboBox")->setCurrentIndex(0);
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
    view.slotSubmitButtonClicked();
    QVERIFY(!m_server->waitForLine("26\t").isNull());
    m_server->sendLine("26\t1001\t0");
    QTRY_VERIFY(view.isEnabled());
    QCOMPARE(takeBoxes(view), QStringList { "提示:创建失败" });
    QCOMPARE(closed.count(), 0);
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->text(), QString("数学课"));
}

void TestClassCreateView::unaskedCreateRepliesAreDropped_data()
{
    QTest::addColumn<bool>("askFirst");
    QTest::addColumn<QString>("reply");
    QTest::newRow("refusal, nothing asked") << false << "26\t1\t";
    QTest::newRow("success, nothing asked") << false << "26\t1001\t1";
    QTest::newRow("second refusal after the answer") << true << "26\t1001\t0";
    QTest::newRow("second success after the answer") << true << "26\t1001\t1";
}

void TestClassCreateView::unaskedCreateRepliesAreDropped()
{
    QFETCH(bool, askFirst);
    QFETCH(QString, reply);
    QVERIFY(connectToServer());
    ClassCreateView view;
    view.setClock([this] { return m_now; });
    QSignalSpy closed(&view, &ClassCreateView::signalCloseOut);
    view.show();
    QVERIFY(!m_server->waitForLine("22\t").isNull());
    m_server->sendLine("22\t" + subjectsJson);
    QComboBox *classes = child<QComboBox>(view, "classGradeComboBox");
    QTRY_COMPARE(classes->count(), 2);
    if (askFirst) {
        classes->setCurrentIndex(0);
        child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");
        view.slotSubmitButtonClicked();
        QVERIFY(!m_server->waitForLine("26\t").isNull());
        m_server->sendLine("26\t1001\t0");
        QTRY_VERIFY(view.isEnabled());
        QCOMPARE(takeBoxes(view), QStringList { "提示:创建失败" });
    }
    child<QLineEdit>(view, "classNameLineEdit")->setText("数学课");

    // Lines are read in order: once the class list after the stray reply is in, the reply was read.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("answers no request of this client"));
    m_server->sendLine(reply);
    m_server->sendLine("22\t" + QString(subjectsJson).replace("四年级一班", "四年级三班"));
    QTRY_COMPARE(classes->itemText(1), QString("四年级三班"));
    QCOMPARE(takeBoxes(view), QStringList());
    QCOMPARE(closed.count(), 0);
    QCOMPARE(g_classStartCount, 5);
    QCOMPARE(child<QLineEdit>(view, "classNameLineEdit")->text(), QString("数学课"));
}

QTEST_MAIN(TestClassCreateView)
#include "tst_classcreateview.moc"
