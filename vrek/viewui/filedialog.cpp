#include "vrek/viewui/filedialog.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QPointer>
#include <QTreeView>

namespace {
constexpr int dateColumn = 3;

// The file system model writes its dates in the system's locale, whatever the interface's language.
class ChineseDates : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (index.column() == dateColumn && role == Qt::DisplayRole) {
            if (const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel())) {
                const QDateTime modified = files->lastModified(mapToSource(index));
                return QLocale(QLocale::Chinese, QLocale::China).toString(modified, QStringLiteral("yyyy/M/d HH:mm"));
            }
        }
        return QIdentityProxyModel::data(index, role);
    }
};
} // namespace

QFileDialog *FileDialog::make(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
{
    // The window, not the panel: a panel's style sheet ("border: none" and the like) reaches every widget under
    // it, the dialog's fields too.
    auto *dialog = new QFileDialog(parent ? parent->window() : nullptr, title, folder, filter);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setProxyModel(new ChineseDates(dialog));
    // The date column as wide as its dates: Qt's fixed width cuts a date and its time.
    if (auto *files = dialog->findChild<QTreeView *>(QStringLiteral("treeView")))
        files->header()->setSectionResizeMode(dateColumn, QHeaderView::ResizeToContents);
    return dialog;
}

static QString chosenIn(QFileDialog *dialog)
{
    // The window it belongs to may go while it is open (the class window closed from the reconnect box): the
    // dialog goes with it, and nothing is chosen.
    const QPointer<QFileDialog> guarded(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!guarded)
        return QString();
    const QString chosen = accepted ? dialog->selectedFiles().value(0) : QString();
    delete dialog;
    return chosen;
}

QString FileDialog::openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
{
    QFileDialog *dialog = make(parent, title, folder, filter);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontResolveSymlinks);
    return chosenIn(dialog);
}

QString FileDialog::saveFile(QWidget *parent, const QString &title, const QString &proposed, const QString &filter)
{
    // A path given for the folder opens its folder with its name proposed.
    QFileDialog *dialog = make(parent, title, proposed, filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    return chosenIn(dialog);
}
