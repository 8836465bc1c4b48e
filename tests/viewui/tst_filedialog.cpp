#include "main/startup.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/viewui/filedialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

namespace {
constexpr int settleMs = 15000;
// The chat panel's style sheet, which reached every widget under the panel.
const char *const panelStyle = "border: none;background-color: rgb(255,255,255);";
const QRegularExpression latin("[A-Za-z]");
// A text as it reads: the keyboard shortcut marks ("(&O)") are not shown as letters.
QString shown(QString text)
{
    return text.remove(QRegularExpression(R"(\(&[A-Za-z]\))")).remove('&');
}

// A frame drawn around the field: its edge differs from its inside.
bool framed(QWidget *field)
{
    const QImage image = field->grab().toImage();
    const int y = image.height() / 2;
    return image.pixelColor(0, y) != image.pixelColor(4, y);
}
} // namespace

// Qt's file dialogs as the class windows open them, on the desktops of the tests: in Chinese, framed, a box of
// the window that asked.
class TestFileDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void dialogIsTheWindowsAndChinese_data();
    void dialogIsTheWindowsAndChinese();
    void windowGoingWhileOpenChoosesNothing_data();
    void windowGoingWhileOpenChoosesNothing();
};

void TestFileDialog::initTestCase()
{
    Startup::installTranslations(*QCoreApplication::instance());
}

void TestFileDialog::dialogIsTheWindowsAndChinese_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

void TestFileDialog::dialogIsTheWindowsAndChinese()
{
    QFETCH(bool, save);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile file(folder.filePath("作业一.pdf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *panel = new QWidget;
    panel->setStyleSheet(panelStyle);
    layout->addWidget(panel);
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, settleMs));

    std::unique_ptr<QFileDialog> dialog(FileDialog::make(panel, QStringLiteral("选择图片"),
        save ? folder.filePath("作业二.pdf") : folder.path(), QStringLiteral("PDF (*.pdf)")));
    if (save)
        dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get(), settleMs));

    // Every label, button and column title in Chinese.
    QStringList english;
    for (QLabel *label : dialog->findChildren<QLabel *>()) {
        if (label->isVisible() && shown(label->text()).contains(latin))
            english << label->text();
    }
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        if (button->isVisible() && shown(button->text()).contains(latin))
            english << button->text();
    }
    auto *files = dialog->findChild<QTreeView *>("treeView");
    QVERIFY(files);
    QTRY_VERIFY_WITH_TIMEOUT(files->model()->rowCount(files->rootIndex()) == 1, settleMs);
    for (int column = 0; column < files->model()->columnCount(files->rootIndex()); ++column) {
        const QString title = files->model()->headerData(column, Qt::Horizontal).toString();
        if (!files->isColumnHidden(column) && title.contains(latin))
            english << title;
    }
    QVERIFY2(english.isEmpty(), qPrintable(english.join(" | ")));

    // The file's date in Chinese, whole in its column.
    const QModelIndex date = files->model()->index(0, 3, files->rootIndex());
    const QString dateText = date.data().toString();
    QVERIFY2(QRegularExpression(R"(^\d{4}/\d{1,2}/\d{1,2} \d{2}:\d{2}$)").match(dateText).hasMatch(),
        qPrintable(dateText));
    const int needed = files->sizeHintForIndex(date).width();
    QVERIFY(needed > files->fontMetrics().horizontalAdvance(dateText));
    QVERIFY2(files->header()->sectionSize(3) >= needed,
        qPrintable(QString("%1 needs %2 of %3").arg(dateText).arg(needed).arg(files->header()->sectionSize(3))));

    // The fields keep their frames.
    auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
    auto *place = dialog->findChild<QComboBox *>("lookInCombo");
    QVERIFY(name && place);
    QVERIFY(framed(name));
    QVERIFY(framed(place));
    // The window's box, blocking that window only.
    QCOMPARE(dialog->parentWidget(), &window);
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(vrekTestDisplay()->transientFor(quint32(dialog->winId())) == quint32(window.winId()));
    dialog->reject();
}

void TestFileDialog::windowGoingWhileOpenChoosesNothing_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

// The class window can be closed while its file dialog is open (from the reconnect box, a window of its own):
// the dialog goes with it, and the caller hears of no file.
void TestFileDialog::windowGoingWhileOpenChoosesNothing()
{
    QFETCH(bool, save);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QPointer<QWidget> window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    auto *panel = new QWidget;
    layout->addWidget(panel);
    window->resize(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window, settleMs));
    bool sawItOpen = false;
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        sawItOpen = true;
        closer.stop();
        delete window;
    });
    closer.start();
    const QString chosen = save
        ? FileDialog::saveFile(panel, QStringLiteral("保存"), folder.filePath("a.pdf"), QStringLiteral("PDF (*.pdf)"))
        : FileDialog::openFile(panel, QStringLiteral("选择图片"), folder.path(), QStringLiteral("PDF (*.pdf)"));
    QVERIFY(sawItOpen);
    QVERIFY(window.isNull());
    QCOMPARE(chosen, QString());
}

VREK_XVFB_DESKTOP_TEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
