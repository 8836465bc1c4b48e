#ifndef TRANSFERRECORDVIEW_H
#define TRANSFERRECORDVIEW_H

#include "vrek/transferfile/transferinfo.h"

#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>

class QHBoxLayout;
class QLabel;
class QToolButton;
class QVBoxLayout;
class TransferFileManager;
class TransferFilePrompt;
class TransferTreeView;

// The signed-in user's screen recordings in "./media" that wait for upload: listed from the folder and their
// rows in "TransferFile", uploaded in ranges by the transfer manager, then announced to the classroom server,
// whose answer tells whether it converted them. The recorded-lessons page owns it and resumes or pauses the
// uploads with the course-list window.
class TransferRecordView : public QWidget
{
    Q_OBJECT
public:
    static const char *const mediaFolder;

    explicit TransferRecordView(QWidget *parent = nullptr);
    ~TransferRecordView() override;

    // Drops the stored rows of the user whose recording is gone.
    void verifyLocalFile();
    // Lists the recordings not listed yet.
    void loadRecordFiles();
    void refreshRecordList(bool shown);

    // Takes the prompt over; dialogs otherwise.
    void setPrompt(TransferFilePrompt *prompt);

    // Whether a file name is a recording of the user; its time as the list shows it (yyyy-MM-dd hh:mm).
    static bool recordFileTime(const QString &fileName, const QString &userId, QString *displayTime = nullptr);

    QString selectedId() const { return m_selectedId; }
    TransferTreeView *recordTreeView() const { return m_recordTreeView; }
    QToolButton *uploadButton() const { return m_uploadButton; }
    QToolButton *deleteButton() const { return m_deleteButton; }
    TransferFileManager *manager() const { return m_manager; }

signals:
    void signalTransferProgress(QString id, int progress);

public slots:
    void slotUploadPushButtonClicked();
    void slotDeletePushButtonClicked();
    void slotRecordTreeItemChanged(QString id, TransferInfo::TransferStatus status);
    void slotRecordFileResult(QString id, int result);
    void slotRecordStatus(QString id, TransferInfo::TransferStatus status, QString msg, int i);
    void slotRecordStatus(QString id, TransferInfo::TransferStatus status, QString msg);
    void slotRecordStatus(QString id, TransferInfo::TransferStatus status);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildForm();
    void initial();
    QString recordPath(const QString &id) const;

    // The form.
    QVBoxLayout *m_mainLayout = nullptr;
    QHBoxLayout *m_controlLayout = nullptr;
    QLabel *m_titleLabel = nullptr;
    QToolButton *m_uploadButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    TransferTreeView *m_recordTreeView = nullptr;

    QString m_selectedId;
    // Recordings whose record-file line went to the server and wait for its answer: any other answer is dropped,
    // as the server's line alone must never mark a recording uploaded and remove its file.
    QSet<QString> m_awaitingResult;
    TransferFileManager *m_manager = nullptr;
    std::unique_ptr<TransferFilePrompt> m_prompt;
};

#endif // TRANSFERRECORDVIEW_H
