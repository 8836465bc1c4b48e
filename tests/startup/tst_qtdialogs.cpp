// Qt's own file dialogs as the client opens them, with the translations the client installs: every label, button,
// tool tip, column and caption in Chinese, and the dialog started in a folder that exists.
#include "main/startup.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/transferfile/transferfileprompt.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
// What the user reads in a file dialog, each text with where it was found. Combo boxes and the name field are
// left out: they hold paths, file names and filters ("*.pdf"), not the dialog's own words.
QStringList dialogTexts(QFileDialog *dialog)
{
    QStringList texts { "title: " + dialog->windowTitle() };
    for (QLabel *label : dialog->findChildren<QLabel *>()) {
        if (label->isVisibleTo(dialog))
            texts << "label: " + label->text();
    }
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(dialog))
            continue;
        texts << "button: " + button->text();
        texts << "tool tip: " + button->toolTip();
    }
    for (QHeaderView *header : dialog->findChildren<QHeaderView *>()) {
        if (!header->model() || header->orientation() != Qt::Horizontal)
            continue;
        for (int i = 0; i < header->count(); ++i)
            texts << "column: " + header->model()->headerData(i, Qt::Horizontal).toString();
    }
    return texts;
}

// Runs the asking function while a timer looks at the modal file dialog it opens, records it, and cancels it.
struct SeenDialog {
    QStringList texts;
    QString directory;
    QString nameField;
    bool seen = false;
};

template <typename Ask> SeenDialog watchDialog(Ask ask)
{
    SeenDialog seen;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || seen.seen)
            return;
        seen.seen = true;
        seen.texts = dialogTexts(dialog);
        seen.directory = dialog->directory().absolutePath();
        if (auto *name = dialog->findChild<QLineEdit *>("fileNameEdit"))
            seen.nameField = name->text();
        dialog->reject();
    });
    timer.start();
    ask();
    return seen;
}

QStringList englishTexts(const QStringList &texts)
{
    static const QRegularExpression word("[A-Za-z]{2,}");
    QStringList english;
    for (const QString &text : texts) {
        if (text.section(": ", 1).contains(word))
            english << text;
    }
    return english;
}
} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void pictureDialog_data();
    void pictureDialog();
    void homeworkSaveDialog();

private:
    QTemporaryDir m_home;
    QByteArray m_oldHome;
    QByteArray m_oldConfig;
};

void TestQtDialogs::initTestCase()
{
    QVERIFY(m_home.isValid());
    Startup::installTranslations(*QCoreApplication::instance());
    m_oldHome = qgetenv("HOME");
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    // The desktop folder is read from the home folder, without the user's own folder names.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
}

void TestQtDialogs::cleanup()
{
    QDir(m_home.filePath("Desktop")).removeRecursively();
}

void TestQtDialogs::pictureDialog_data()
{
    QTest::addColumn<bool>("desktopExists");
    QTest::newRow("home without a desktop folder") << false;
    QTest::newRow("home with a desktop folder") << true;
}

void TestQtDialogs::pictureDialog()
{
    QFETCH(bool, desktopExists);
    if (desktopExists)
        QVERIFY(QDir().mkpath(m_home.filePath("Desktop")));
    // The program runs elsewhere than its user's home: a dialog without a start folder would show that place.
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    const SeenDialog seen = watchDialog([] { ChatView::choosePicture(nullptr); });
    QDir::setCurrent(previous);

    QVERIFY(seen.seen);
    QCOMPARE(seen.directory, desktopExists ? m_home.filePath("Desktop") : m_home.path());
    // Nothing is proposed: a missing desktop folder is not offered as the name to open.
    QCOMPARE(seen.nameField, QString());
    QVERIFY2(englishTexts(seen.texts).isEmpty(), qPrintable(englishTexts(seen.texts).join(" | ")));
    QVERIFY(seen.texts.contains("title: 选择图片"));
}

void TestQtDialogs::homeworkSaveDialog()
{
    TransferFilePrompt prompt;
    const QString proposed = HomeworkWidget::desktopFolder() + "/notes.pdf";
    const SeenDialog seen
        = watchDialog([&] { prompt.saveFile(nullptr, HomeworkWidget::saveCaption(), proposed, "*.pdf"); });

    QVERIFY(seen.seen);
    QCOMPARE(seen.directory, m_home.path());
    QCOMPARE(seen.nameField, QString("notes.pdf"));
    QVERIFY2(englishTexts(seen.texts).isEmpty(), qPrintable(englishTexts(seen.texts).join(" | ")));
    QVERIFY(seen.texts.contains("title: 另存为"));
    QVERIFY(seen.texts.contains("button: 保存(&S)"));
    QVERIFY(seen.texts.contains("button: 取消"));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
