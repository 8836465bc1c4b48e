#include "vrek/transferfile/transferfileprompt.h"

#include "vrek/utils/stringutil.h"
#include "vrek/viewui/filedialog.h"

#include <QMessageBox>
#include <QPushButton>

TransferFilePrompt::~TransferFilePrompt() = default;

QString TransferFilePrompt::openFile(QWidget *parent, const QString &title, const QString &filter)
{
    return FileDialog::openFile(parent, title, QString(), filter);
}

QString TransferFilePrompt::saveFile(
    QWidget *parent, const QString &title, const QString &proposed, const QString &filter)
{
    return FileDialog::saveFile(parent, title, proposed, filter);
}

void TransferFilePrompt::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, StringUtil::clippedText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool TransferFilePrompt::question(
    QWidget *parent, const QString &title, const QString &text, const QString &yes, const QString &no)
{
    QMessageBox box(QMessageBox::Question, title, StringUtil::clippedText(text), QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *yesButton = box.addButton(yes, QMessageBox::YesRole);
    box.addButton(no, QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yesButton;
}
