// The transfer list offscreen: the row record, look-up by id, sorting, the current-row signal, error rows and
// the delegate's bar.
#include "vrek/transferfile/transferinfo.h"
#include "vrek/transferfile/transferitemdelegate.h"
#include "vrek/transferfile/transferitemmodel.h"
#include "vrek/transferfile/transferproxymodel.h"
#include "vrek/transferfile/transfertreeview.h"

#include <QApplication>
#include <QImage>
#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
TransferInfo row(const QString &id, const QString &path, qint64 size, TransferInfo::TransferStatus status,
    int progress = 0, const QString &time = "2021-03-01 10:00")
{
    TransferInfo info;
    info.setId(id);
    info.setFilePath(path);
    info.setFileSize(size);
    info.setStatus(status);
    info.setStatusText();
    info.setProgress(progress);
    info.setTimeText(time);
    return info;
}

QStringList idsInViewOrder(const TransferTreeView &view)
{
    QStringList ids;
    const QAbstractItemModel *model = view.model();
    for (int r = 0; r < model->rowCount(); ++r)
        ids << model->index(r, TransferItemModel::IdColumn).data().toString();
    return ids;
}
} // namespace

class TestTransferTreeView : public QObject
{
    Q_OBJECT
private slots:
    void sizeText_data();
    void sizeText();
    void kindFollowsThePath_data();
    void kindFollowsThePath();
    void recordingStaysARecording();
    void statusText_data();
    void statusText();
    void lookUpById_data();
    void lookUpById();
    void rowOperations();
    void sortsSizesByBytes();
    void equalTextsSortByName();
    void progressBar_data();
    void progressBar();
    void currentRowFollowsChanges();
    void errorRowsAreCleared();
    void paintsKindAndProgress();
};

void TestTransferTreeView::sizeText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << "0B";
    QTest::newRow("999") << qint64(999) << "999B";
    QTest::newRow("1023") << qint64(1023) << "1023B";
    QTest::newRow("1 KiB") << qint64(1024) << "1KB";
    QTest::newRow("below 1 MiB") << qint64(1048575) << "1023KB";
    QTest::newRow("1 MiB") << qint64(1048576) << "1.00MB";
    QTest::newRow("3 MiB 51 KiB") << qint64(3 * 1048576 + 51 * 1024) << "3.04MB";
    QTest::newRow("below 1 GiB") << qint64(1073741823) << "1023.99MB";
    QTest::newRow("2.5 GiB") << qint64(2684354560) << "2.50GB";
}

void TestTransferTreeView::sizeText()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    TransferInfo info;
    info.setFileSize(bytes);
    QCOMPARE(info.getSizeText(), text);
}

void TestTransferTreeView::kindFollowsThePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("kind");
    QTest::newRow("deck") << "a.PPTX" << 0;
    QTest::newRow("picture") << "dir/b.jpg" << 0;
    QTest::newRow("film") << "c.Mp4" << 1;
    QTest::newRow("stream") << "d.ts" << 1;
    QTest::newRow("sound") << "e.m4a" << 1;
    QTest::newRow("other") << "f.txt" << 0; // keeps what it had
    QTest::newRow("none") << "g" << 0;
}

void TestTransferTreeView::kindFollowsThePath()
{
    QFETCH(QString, path);
    QFETCH(int, kind);
    TransferInfo info;
    QCOMPARE(info.getKind(), -1);
    info.setFilePath("start.doc");
    info.setFilePath(path);
    QCOMPARE(info.getKind(), kind);
}

void TestTransferTreeView::recordingStaysARecording()
{
    TransferInfo info;
    info.setId("1_3101_u7_20201208153000.ts");
    info.setKind(TransferInfo::KindRecording);
    info.setFilePath(QStringLiteral("三年级 二班_李小明_2020-12-08 15:30.ts"));
    QCOMPARE(info.getKind(), int(TransferInfo::KindRecording));
    const TransferInfo copy(info);
    QCOMPARE(copy.getKind(), int(TransferInfo::KindRecording));
    TransferInfo assigned;
    assigned = info;
    QCOMPARE(assigned.getKind(), int(TransferInfo::KindRecording));
    QCOMPARE(assigned.getFilePath(), info.getFilePath());

    TransferTreeView view;
    QVERIFY(view.insertRow(info));
    TransferInfo stored;
    stored.setId(info.getId());
    QVERIFY(view.selectRow(stored));
    QCOMPARE(stored.getKind(), int(TransferInfo::KindRecording));
}

void TestTransferTreeView::statusText_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("等待下载");
    QTest::newRow("3") << 3 << QStringLiteral("下载暂停");
    QTest::newRow("5") << 5 << QStringLiteral("下载错误:\n文件传输错误");
    QTest::newRow("13") << 13 << QStringLiteral("上传暂停");
    QTest::newRow("15") << 15 << QStringLiteral("文件传输错误");
    QTest::newRow("20") << 20 << QStringLiteral("正在转换");
    QTest::newRow("21") << 21 << QStringLiteral("正在删除");
    QTest::newRow("30") << 30 << QStringLiteral("文件传输错误");
    QTest::newRow("unknown keeps the text") << 7 << QStringLiteral("before");
}

void TestTransferTreeView::statusText()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    TransferInfo info;
    info.setStatus(TransferInfo::FreeText);
    info.setStatusText("before");
    info.setStatus(TransferInfo::TransferStatus(status));
    info.setStatusText(QStringLiteral("文件传输错误"));
    QCOMPARE(info.getStatusText(), text);
}

void TestTransferTreeView::lookUpById_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("found");
    QTest::newRow("exact") << QStringList { "xab_1", "ab_1" } << "ab_1" << 1;
    QTest::newRow("no substring") << QStringList { "xab_1" } << "ab" << -1;
    QTest::newRow("no substring of a list row") << QStringList { "xab_1@u7" } << "ab_1" << -1;
    QTest::newRow("list row by file id") << QStringList { "xab_1", "ab_1@u7" } << "ab_1" << 1;
    QTest::newRow("transfer row by list id") << QStringList { "x_1", "ab_1" } << "ab_1@u7" << 1;
    QTest::newRow("other user") << QStringList { "ab_1@u8" } << "ab_1@u7" << -1;
    QTest::newRow("empty") << QStringList { "ab_1" } << "" << -1;
}

void TestTransferTreeView::lookUpById()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, id);
    QFETCH(int, found);
    TransferItemModel model;
    for (const QString &rowId : rows)
        QVERIFY(model.insertInfo(row(rowId, "a.pdf", 1, TransferInfo::Uploaded)));
    QCOMPARE(model.findRow(id), found);
}

void TestTransferTreeView::rowOperations()
{
    TransferTreeView view;
    QVERIFY(view.insertRow(row("ab_1@u7", "a.pdf", 10, TransferInfo::Uploaded)));
    // The transfer of the same file is the same row.
    QVERIFY(!view.insertRow(row("ab_1", "a.pdf", 10, TransferInfo::WaitDownload)));
    QCOMPARE(view.itemModel()->rowCount(), 1);

    TransferInfo update = row("ab_1", "a.mp4", 10, TransferInfo::Downloading, 300);
    QVERIFY(view.updateRow(update));
    TransferInfo stored;
    stored.setId("ab_1@u7");
    QVERIFY(view.selectRow(stored));
    QCOMPARE(int(stored.getStatus()), int(TransferInfo::Downloading));
    QCOMPARE(stored.getKind(), int(TransferInfo::KindMedia));

    QVERIFY(view.updateId("ab_1", "cd_2", "c.docx"));
    QCOMPARE(view.getAllItemStatus(),
        (QHash<QString, TransferInfo::TransferStatus> { { "cd_2", TransferInfo::Downloading } }));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ti not in list ti:"));
    QVERIFY(!view.updateId("ab_1", "x", "x"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ti not in list ti:"));
    QVERIFY(!view.removeRow(row("zz", "", 0, TransferInfo::Uploaded)));
    QVERIFY(view.removeRow(row("cd_2", "", 0, TransferInfo::Uploaded)));
    QCOMPARE(view.itemModel()->rowCount(), 0);
}

void TestTransferTreeView::sortsSizesByBytes()
{
    TransferTreeView view;
    view.insertRow(row("k", "k.pdf", 1024, TransferInfo::Uploaded));
    view.insertRow(row("b", "b.pdf", 999, TransferInfo::Uploaded));
    view.insertRow(row("m", "m.pdf", 5 * 1048576, TransferInfo::Uploaded));
    view.sortByColumn(TransferItemModel::SizeColumn, Qt::AscendingOrder);
    QCOMPARE(idsInViewOrder(view), (QStringList { "b", "k", "m" }));
    view.sortByColumn(TransferItemModel::SizeColumn, Qt::DescendingOrder);
    QCOMPARE(idsInViewOrder(view), (QStringList { "m", "k", "b" }));
}

void TestTransferTreeView::equalTextsSortByName()
{
    TransferTreeView view;
    view.insertRow(row("2", "b.pdf", 1, TransferInfo::Uploaded, 0, "2021-03-01 10:00"));
    view.insertRow(row("1", "a.pdf", 1, TransferInfo::Uploaded, 0, "2021-03-01 10:00"));
    view.insertRow(row("3", "c.pdf", 1, TransferInfo::Uploaded, 0, "2021-03-02 08:00"));
    // Newest first, as the list opens.
    QCOMPARE(idsInViewOrder(view), (QStringList { "3", "2", "1" }));
    view.sortByColumn(TransferItemModel::TimeColumn, Qt::AscendingOrder);
    QCOMPARE(idsInViewOrder(view), (QStringList { "1", "2", "3" }));
}

void TestTransferTreeView::progressBar_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("progress");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("downloading") << 2 << 500 << "50%" << 500;
    QTest::newRow("waiting") << 0 << 0 << "0%" << 0;
    QTest::newRow("download error") << 5 << 250 << "25%" << 250;
    QTest::newRow("uploading") << 12 << 999 << "99%" << 999;
    QTest::newRow("converting") << 20 << 1000 << "100%" << 1000;
    QTest::newRow("downloaded") << 4 << 700 << "" << 0;
    QTest::newRow("uploaded") << 14 << 1000 << "" << 0;
    QTest::newRow("deleting") << 21 << 200 << "" << 200;
    QTest::newRow("free text") << 30 << 300 << "" << 300;
}

void TestTransferTreeView::progressBar()
{
    QFETCH(int, status);
    QFETCH(int, progress);
    QFETCH(QString, text);
    QFETCH(int, value);
    QProgressBar bar;
    TransferItemDelegate::setProgressBar(&bar, status, progress);
    QCOMPARE(bar.maximum(), 1000);
    QCOMPARE(bar.text(), text);
    QCOMPARE(bar.value(), value);
}

void TestTransferTreeView::currentRowFollowsChanges()
{
    TransferTreeView view;
    QSignalSpy current(&view, &TransferTreeView::signalCurrentItemChange);
    view.insertRow(row("a", "a.pdf", 1, TransferInfo::Downloading, 100, "2021-03-01 10:00"));
    view.insertRow(row("b", "b.pdf", 1, TransferInfo::Uploaded, 0, "2021-03-02 10:00"));
    const QModelIndex first = view.model()->index(1, TransferItemModel::NameColumn); // "a": the older one
    view.setCurrentIndex(first);
    QCOMPARE(current.size(), 1);
    QCOMPARE(current.last().at(0).toString(), QString("a"));
    QCOMPARE(current.last().at(1).value<TransferInfo::TransferStatus>(), TransferInfo::Downloading);

    view.updateRow(row("a", "a.pdf", 1, TransferInfo::Downloaded, 1000, "2021-03-01 10:00"));
    QCOMPARE(current.size(), 2);
    QCOMPARE(current.last().at(1).value<TransferInfo::TransferStatus>(), TransferInfo::Downloaded);
    // Another row's change says nothing.
    view.updateRow(row("b", "b.pdf", 1, TransferInfo::Converting, 0, "2021-03-02 10:00"));
    QCOMPARE(current.size(), 2);

    view.removeRow(row("a", "", 0, TransferInfo::Uploaded));
    view.removeRow(row("b", "", 0, TransferInfo::Uploaded));
    QVERIFY(current.size() >= 3);
    QCOMPARE(current.last().at(0).toString(), QString());
    QCOMPARE(current.last().at(1).value<TransferInfo::TransferStatus>(), TransferInfo::FreeText);
}

void TestTransferTreeView::errorRowsAreCleared()
{
    TransferTreeView view;
    for (const QString &id : QStringList { "d", "u", "again", "fine" })
        view.insertRow(row(id, id + ".pdf", 1, TransferInfo::WaitDownload));
    view.updateRow(row("d", "d.pdf", 1, TransferInfo::DownloadError));
    view.updateRow(row("u", "u.pdf", 1, TransferInfo::UploadError));
    view.updateRow(row("again", "again.pdf", 1, TransferInfo::DownloadError));
    // Downloaded after all before the window closed: not an error row any more.
    view.updateRow(row("again", "again.pdf", 1, TransferInfo::Downloaded));
    view.clearErrorRows();
    QCOMPARE(view.getAllItemStatus().keys().size(), 2);
    QVERIFY(view.getAllItemStatus().contains("again"));
    QVERIFY(view.getAllItemStatus().contains("fine"));
    view.clearErrorRows();
    QCOMPARE(view.getAllItemStatus().size(), 2);
}

void TestTransferTreeView::paintsKindAndProgress()
{
    TransferTreeView view;
    view.resize(900, 300);
    view.insertRow(row("a", "a.mp4", 1, TransferInfo::Downloading, 500));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage image = view.viewport()->grab().toImage();
    const auto hasColour = [&image](const QRect &rect, QRgb colour, int tolerance) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QRgb pixel = image.pixel(qBound(0, x, image.width() - 1), qBound(0, y, image.height() - 1));
                if (qAbs(qRed(pixel) - qRed(colour)) <= tolerance && qAbs(qGreen(pixel) - qGreen(colour)) <= tolerance
                    && qAbs(qBlue(pixel) - qBlue(colour)) <= tolerance)
                    return true;
            }
        }
        return false;
    };
    const QRect bar = view.visualRect(view.model()->index(0, TransferItemModel::ProgressColumn));
    QVERIFY(bar.isValid());
    QVERIFY(hasColour(bar.adjusted(0, 0, -bar.width() / 2 - 2, 0), qRgb(0x2A, 0x84, 0xE8), 8));
    QVERIFY(!hasColour(bar.adjusted(bar.width() / 2 + 4, 0, 0, 0), qRgb(0x2A, 0x84, 0xE8), 8));
    // The film picture: its dark face.
    const QRect kind = view.visualRect(view.model()->index(0, TransferItemModel::KindColumn));
    QVERIFY(hasColour(kind, qRgb(0x3d, 0x4a, 0x5c), 6));
}

QTEST_MAIN(TestTransferTreeView)
#include "tst_transfertreeview.moc"
