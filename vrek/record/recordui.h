#ifndef RECORDUI_H
#define RECORDUI_H

#include <QHash>
#include <QString>
#include <QWidget>

#include <memory>

class ClassTipMessage;
class QAction;
class QLabel;
class QPushButton;
class RecordScreenManager;
class ThreadFactory;

// The screen-recording controls: the record action (for a tool bar: recordAction()), and this form with the
// pause button and the time label. It names each recording, enters it in the transfer table for upload, and
// shows the recording's time and errors; the recording itself runs in its RecordScreenManager.
class RecordUI : public QWidget
{
    Q_OBJECT
public:
    static const QString pauseStyle;
    static const QString timeStyle;
    static const QString pauseOffStyle;
    static const QString timeOffStyle;

    explicit RecordUI(QWidget *parent = nullptr, ThreadFactory *factory = nullptr);
    ~RecordUI() override;

    QAction *recordAction() const { return m_recordAction; }
    QPushButton *pauseButton() const { return m_pauseButton; }
    QLabel *timeLabel() const { return m_timeLabel; }
    ClassTipMessage *tipMessage() const { return m_tipMessage.get(); }
    RecordScreenManager *recordManager() const { return m_manager; }
    bool isRecording() const { return m_recording; }
    // "1" to "8" from the joined lesson's type; the recordings' names begin with it.
    QString classTypeLabel() const { return m_classTypeLabel; }
    void setRecordEndAllowed(bool allowed) { m_recordEndAllowed = allowed; }

signals:
    void signalShowUpload(bool show);
    void signalRecordState(bool on);
    void signalRecordStartOrEndIn(bool start);
    void signRecordFinishedOut();
    void signalRecordError();
    void signalRecordSuccess();
    void signalRecordEnd();
    void signalRecordShareRtmp();

public slots:
    void OnPause(bool checked);
    void recordEngineStartOrStop(bool start);
    void ShowRecordTime(qlonglong seconds);
    void slotRecordActionClicked();
    void OnRecordError(int type);
    void OnStartStopRecord(bool start);
    void setRecordIcon(bool on);
    void ResetStatus();
    void slotRecordEnd();

private:
    void setActionIdle();
    void resetPauseButton();
    void recordFinished();
    void recordReleased(const QString &path);
    void showTip(const QString &text);

    QPushButton *m_pauseButton;
    QLabel *m_timeLabel;
    QAction *m_recordAction;
    bool m_recording = false;
    bool m_starting = false;
    RecordScreenManager *m_manager;
    std::unique_ptr<ClassTipMessage> m_tipMessage;
    QString m_classTypeLabel;
    bool m_recordEndAllowed = true;
    // The transfer row of each recording not yet released, by its file.
    QHash<QString, QString> m_transferRows;
};

#endif // RECORDUI_H
