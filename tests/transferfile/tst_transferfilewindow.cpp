// The network-disk window on a real X display (Xvfb, started by this test before its QApplication): shown on its
// own, it downloads a shared file and uploads a picked one against the fake file server, and paints both rows.
#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/transferfile/transferfileview.h"
#include "vrek/transferfile/transferitemmodel.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/networkengine.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QThread>
#include <QtTest>

#include <cstdio>

namespace {
class PickFile : public TransferFilePrompt
{
public:
    QString path;
    QString openFile(QWidget *, const QString &, const QString &) override { return path; }
    void information(QWidget *, const QString &, const QString &) override { }
    bool question(QWidget *, const QString &, const QString &, const QString &, const QString &) override
    {
        return false;
    }
};

bool hasColour(const QImage &image, const QRect &rect, QRgb colour, int tolerance)
{
    for (int y = qMax(0, rect.top()); y <= qMin(image.height() - 1, rect.bottom()); ++y) {
        for (int x = qMax(0, rect.left()); x <= qMin(image.width() - 1, rect.right()); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAbs(qRed(pixel) - qRed(colour)) <= tolerance && qAbs(qGreen(pixel) - qGreen(colour)) <= tolerance
                && qAbs(qBlue(pixel) - qBlue(colour)) <= tolerance)
                return true;
        }
    }
    return false;
}
} // namespace

class TestTransferFileWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void downloadAndUpload();

private:
    NetworkEngineThread *m_network = nullptr;
};

void TestTransferFileWindow::initTestCase()
{
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    g_userId = "u7";
}

void TestTransferFileWindow::cleanupTestCase()
{
    delete m_network;
}

void TestTransferFileWindow::downloadAndUpload()
{
    TempWorkDir dir;
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    ClassroomLink link(true, GlobalEnum::User1);
    QVERIFY(link.connectToServer());
    FakeHttpServer files;
    QVERIFY(files.listen());
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(files.port());
    FakeHttpServer::Reply shared;
    shared.body = QByteArray(300000, 's');
    shared.contentType = "application/pdf";
    shared.ranges = true;
    files.setReply("/files/61/notes.pdf", shared);
    files.setHandler("/vSocket/socket/recevieClient/uploadFile", [](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = chunkAnswer(request.form.value("fileId"), "success", "homework.pdf");
        return reply;
    });

    TransferFileView view;
    auto *prompt = new PickFile();
    view.setPrompt(prompt);
    view.resize(900, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(link.server().waitForLine("4\tu7\t2", 10000), QString("4\tu7\t2"));

    view.slotGetFileResult("61_1", "notes.pdf", files.baseUrl() + "/files/61/notes.pdf", 1);
    dir.writeFile("homework.pdf", QByteArray(200000, 'h'));
    prompt->path = dir.filePath("homework.pdf");
    QTest::mouseClick(view.uploadButton(), Qt::LeftButton);

    const auto status = [&view](const QString &id) {
        TransferInfo info;
        info.setId(id);
        return view.treeView()->selectRow(info) ? int(info.getStatus()) : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(view.treeView()->getAllItemStatus().size(), 2, 10000);
    QString uploadId;
    for (const QString &id : view.treeView()->getAllItemStatus().keys()) {
        if (id != "61_1")
            uploadId = id;
    }
    QTRY_COMPARE_WITH_TIMEOUT(status("61_1"), int(TransferInfo::Downloaded), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(status(uploadId), int(TransferInfo::Converting), 20000);
    QFile received("fileRecv/u7/61_1/notes.pdf");
    QVERIFY(received.open(QIODevice::ReadOnly));
    QCOMPARE(received.size(), qint64(300000));
    // Converting is shown once the last byte is written: the server may read the request a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(files.requestCount("/vSocket/socket/recevieClient/uploadFile"), 1, 20000);

    // Both rows on screen: the document pictures, and the converting upload's full bar.
    QTest::qWait(50);
    const QImage image = view.treeView()->viewport()->grab().toImage();
    const QAbstractItemModel *model = view.treeView()->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const QRect kind = view.treeView()->visualRect(model->index(r, TransferItemModel::KindColumn));
        QVERIFY(hasColour(image, kind, qRgb(0x5b, 0x8f, 0xd6), 10));
        const QString id = model->index(r, TransferItemModel::IdColumn).data().toString();
        const QRect bar = view.treeView()->visualRect(model->index(r, TransferItemModel::ProgressColumn));
        QCOMPARE(hasColour(image, bar, qRgb(0x2A, 0x84, 0xE8), 8), id == uploadId);
    }

    // The server has converted the upload: the row takes the server's id and asks for the file.
    link.clear();
    view.slotCourseFileResult(uploadId, "62_1", "homework.pdf", 1);
    QCOMPARE(link.sent(), QStringList { "4\tu7\t1\t62_1\t1" });
    QCOMPARE(status("62_1"), int(TransferInfo::Converting));
    view.close();
}

VREK_XVFB_TEST_MAIN(TestTransferFileWindow)

#include "tst_transferfilewindow.moc"
