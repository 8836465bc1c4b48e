#ifndef TRANSFERFILEVIEW_H
#define TRANSFERFILEVIEW_H

#include "vrek/model/userfile.h"
#include "vrek/transferfile/transferinfo.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <memory>

class QFrame;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
class TransferFileManager;
class TransferFilePrompt;
class TransferTreeView;

// The student's network-disk window: the class's shared files with upload, download and delete buttons. It
// lists what the course-file cache reads from the classroom server, uploads the files the student picks, asks
// the server for a file's address before downloading it, and shows every transfer of its own manager.
class TransferFileView : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint64 maxUploadSize = 209715200;
    static constexpr int maxNameLength = 30;

    explicit TransferFileView(QWidget *parent = nullptr);
    ~TransferFileView() override;

    // Takes the prompt over; dialogs otherwise.
    void setPrompt(TransferFilePrompt *prompt);
    TransferTreeView *treeView() const { return m_treeView; }
    TransferFileManager *manager() const { return m_manager; }
    QPushButton *uploadButton() const { return m_uploadButton; }
    QPushButton *downloadButton() const { return m_downloadButton; }
    QPushButton *deleteButton() const { return m_deleteButton; }
    QString currentFileId() const { return m_currentId; }

signals:
    void signalGetFileStart(QString fileId, QString fileName, QString fileUrl);
    void signalGetFileProgress(QString fileId, int perMille);
    void signalGetFileResult(QString fileId, bool ok);
    // A download did not fit on the disk; told before its result.
    void signalGetFileNoRoom(QString fileId, qint64 neededBytes);
    void signalMessageTipBoxOut(QString text);

public slots:
    void slotRecvFileList(QList<UserFile> files);
    void slotGetFileResult(QString fileId, QString fileName, QString fileUrl, int result);
    void slotCourseFileResult(QString oldId, QString fileId, QString fileName, int result);
    void slotDeleteFileResult(QString fileId, int result);
    void slotUpdateFileStatus(QString fileId);
    void slotCourseStatus(QString fileId, TransferInfo::TransferStatus status, QString msg = QString(), int i = 0);
    void slotDocumentTreeItemChanged(QString fileId, TransferInfo::TransferStatus status);
    void slotUploadPushButtonClicked();
    void slotDownloadPushButtonClicked();
    void slotDeletePushButtonClicked();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setupForm();
    // Why the file cannot be uploaded, empty when it can.
    QString uploadRefusal(const QString &filePath) const;
    // Asks the server for the file: registered with the class, then its address.
    void requestFile(const QString &fileId);
    void setRowStatus(const QString &fileId, TransferInfo::TransferStatus status, const QString &msg);
    void information(const QString &text);

    QVBoxLayout *m_layout = nullptr;
    QHBoxLayout *m_toolLayout = nullptr;
    QPushButton *m_uploadButton = nullptr;
    QPushButton *m_downloadButton = nullptr;
    QFrame *m_toolLine = nullptr;
    QPushButton *m_deleteButton = nullptr;
    TransferTreeView *m_treeView = nullptr;
    QString m_currentId;
    TransferFileManager *m_manager;
    std::unique_ptr<TransferFilePrompt> m_prompt;
};

#endif // TRANSFERFILEVIEW_H
