// The lecturer's screen recording that the sandbox leaves in a fresh data folder, as in the README's run: the
// course list starts its upload while the lecturer is still held on the first device check, and however long that
// takes, the upload's progress shows on the "录屏上传" button of the recorded-lessons page once the lecturer gets
// there, and the button reads "录屏上传" again when the recording is up.
#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "sandbox/reviewscene.h"
#include "tests/support/sandboxclient.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/transferrecordview.h"
#include "vrek/class/uploadbutton.h"
#include "vrek/class/videobackview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/utils/settingconfig.h"

#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int waitMs = 30000;
constexpr qint64 rangeBytes = 1024 * 1024;
} // namespace

class TestRecordUpload : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void progressShowsWhenTheLecturerGetsThere();

private:
    SandboxClient *m_client = nullptr;
};

void TestRecordUpload::initTestCase()
{
    m_client = new SandboxClient(GlobalEnum::User0);
    QVERIFY(m_client->start(true));
    QVERIFY(!ReviewScene::of(m_client->sandbox())->seededRecording().isEmpty());
    // A fresh data folder: the course list opens on the device check.
    SettingConfig::getSetting().setValue("DeviceSet/initial", "0");
}

void TestRecordUpload::cleanupTestCase()
{
    delete m_client;
}

void TestRecordUpload::progressShowsWhenTheLecturerGetsThere()
{
    const QString recording = ReviewScene::of(m_client->sandbox())->seededRecording();
    const qint64 size = QFileInfo(m_client->work()->filePath("media/" + recording)).size();
    QVERIFY(size > rangeBytes);
    FakeHttpServer *files = FileScene::of(m_client->sandbox())->fileServer();
    QSignalSpy uploaded(FileScene::of(m_client->sandbox()), &FileScene::uploadFinished);

    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, m_client->sandbox()->accounts().value(1));
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
    ClassManagerView *courses = application.ensureCourseList();
    QTRY_VERIFY_WITH_TIMEOUT(courses->isVisible(), waitMs);
    QVERIFY(!courses->playButton()->isEnabled());
    UploadButton *button = courses->videobackView()->uploadButton();
    // Each progress the button is given, with whether the lecturer could see it then.
    QList<QPair<int, bool>> progress;
    QObject watcher; // goes before the list, and its connection with it
    connect(courses->videobackView()->recordView(), &TransferRecordView::signalTransferProgress, &watcher,
        [&progress, button](const QString &, int value) { progress.append(qMakePair(value, button->isVisible())); });

    // The upload starts at once; its first range waits at the server, unanswered for as long as the lecturer stays
    // on the device check, and the next range waits for it.
    QVERIFY(files->waitForRequest(FileScene::uploadPath, waitMs));
    QCOMPARE(files->heldCount(), 1);
    QCOMPARE(files->requestCount(FileScene::uploadPath), 1);
    courses->slotDeviceTestFinish();
    QVERIFY(courses->playButton()->isEnabled());
    QTest::mouseClick(courses->playButton(), Qt::LeftButton);
    QVERIFY(button->isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(uploaded.size() == 1, 60000);
    QCOMPARE(uploaded.first().at(1).toString(), recording);
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QString("录屏上传"), waitMs);
    int seen = 0;
    for (const auto &each : progress) {
        if (each.first > 0 && each.first < 1000 && each.second)
            ++seen;
    }
    QVERIFY2(seen > 0, "no share of the upload was shown on the button");
    QVERIFY(button->isVisible());
}

QTEST_MAIN(TestRecordUpload)
#include "tst_recordupload.moc"
