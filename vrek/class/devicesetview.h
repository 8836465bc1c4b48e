#ifndef DEVICESETVIEW_H
#define DEVICESETVIEW_H

#include <QAudio>
#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QByteArray>
#include <QCamera>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class AudioInfo;
class ComboBox;
class DeviceCatalog;
class DeviceInfoLabel;
class QAudioInput;
class QAudioOutput;
class QCameraViewfinder;
class QBoxLayout;
class QLabel;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTimer;
class QVBoxLayout;
class SoundControl;
class SystemInfo;
class VolumeProgressBar;

// The device check page of the course-list window: the state of the computer, then the speaker, the microphone
// and the camera, each chosen from a list and tested, and a result page with one verdict per step. The chosen
// devices are saved in the settings for the classroom; on a first run the page opens on an invitation.
class DeviceSetView : public QWidget
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    static constexpr int refreshIntervalMs = 1000;
    static constexpr int listDelayMs = 500;
    // How often sound is fed when the device names no period size.
    static constexpr int fallbackNotifyMs = 10;

    explicit DeviceSetView(QWidget *parent = nullptr);
    ~DeviceSetView() override;

    // Tests: the clock the latency probe is timed by.
    void setClock(Clock clock);
    // The last network latency: "N ms" or "超时".
    QString latencyText() const { return m_latencyText; }

    // How often a stream of bytesPerSecond is fed when each feed writes one period: one period's duration, at
    // least 1 ms; fallbackNotifyMs when the period size is unknown (0).
    static int notifyIntervalMs(int periodBytes, int bytesPerSecond);
    // What a level bar shows for a level of 0.0 to 1.0: the percent, cut off (0.999 is not yet full).
    static int barValue(double level) { return int(level * 100); }
    // Tests: as at the start of a run, the next list builds select the saved devices again.
    static void resetRestoredLists();

signals:
    void signalTestFinish();

public slots:
    void slotLeftButtonToggled(bool checked);
    void slotTestButtonClicked();
    void slotComboBoxCurrentChanged(int index);
    void slotVolumeBarChanged(int value);
    void slotResultButtonClicked();
    void slotSocketElapsed(int ms);
    void slotSocketStateChange(bool dropped, const QString &quality);
    void slotHttpElapsed(const QString &reply);
    void slotRefreshTimeout();
    void slotAudioInfoChanged();
    void slotAudioNotify();
    void slotAudioStateChanged(QAudio::State state);
    void slotCameraStateChanged(QCamera::State state);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    QWidget *buildTipPage();
    QWidget *buildTestPage();
    QWidget *buildSystemPage();
    QWidget *buildSpeakPage();
    QWidget *buildMicroPage();
    QWidget *buildVideoPage();
    QWidget *buildResultPage();
    QVBoxLayout *stepLayout(QWidget *page, const char *layoutName, const char *titleName, const QString &title);
    QPushButton *button(const char *name, const QString &text, QWidget *parent);
    QSlider *volumeSlider(const char *name, QWidget *parent);
    void addHints(QVBoxLayout *layout, const QStringList &hints);
    void addVerdictButtons(QVBoxLayout *layout, QPushButton *ok, QPushButton *cancel);
    void testInitial();

    void getSpeakInfo();
    void getMicroInfo();
    void getVideoInfo();
    void getSystemInfo();
    void stopAllTest();

    bool isStillPresent(const QAudioDeviceInfo &device, bool input);
    void startSpeakerTest();
    void toggleMicrophoneTest();
    void toggleCameraPreview();
    void feedOutput();
    void feedInput();
    bool soundFileAtEnd() const;
    void releaseAudioOutput();
    void releaseAudioInput();
    void releaseCamera();
    void showSystemVolume(QSlider *slider, bool ok, int volume);
    void setVerdict(DeviceInfoLabel *row, QPushButton *step, bool passed, const QString &choice);
    static void setPass(QPushButton *step, bool passed);
    static void restyle(QWidget *widget);

    // Form.
    QStackedWidget *m_mainStackedWidget = nullptr;
    QVBoxLayout *m_tipLayout = nullptr;
    QPushButton *m_systemLeftButton = nullptr;
    QPushButton *m_speakLeftButton = nullptr;
    QPushButton *m_microLeftButton = nullptr;
    QPushButton *m_videoLeftButton = nullptr;
    QStackedWidget *m_stackedWidget = nullptr;
    QList<QVBoxLayout *> m_stepLayouts;
    DeviceInfoLabel *m_productWidget = nullptr;
    DeviceInfoLabel *m_processorWidget = nullptr;
    DeviceInfoLabel *m_memoryWidget = nullptr;
    DeviceInfoLabel *m_diskWidget = nullptr;
    DeviceInfoLabel *m_networkWidget = nullptr;
    DeviceInfoLabel *m_resultWidgets[4] = {};
    ComboBox *m_speakComboBox = nullptr;
    ComboBox *m_microComboBox = nullptr;
    ComboBox *m_videoComboBox = nullptr;
    QSlider *m_speakSlider = nullptr;
    QSlider *m_microSlider = nullptr;
    QPushButton *m_speakButton = nullptr;
    QPushButton *m_microButton = nullptr;
    QPushButton *m_videoButton = nullptr;
    QBoxLayout *m_speakButtonLayout = nullptr;
    QBoxLayout *m_microButtonLayout = nullptr;
    QStackedWidget *m_videoStackedWidget = nullptr;
    QWidget *m_videoLabelWidget = nullptr;
    QWidget *m_videoCameraWidget = nullptr;
    QList<QPushButton *> m_navigationButtons;

    QTimer *m_refreshTimer = nullptr;
    VolumeProgressBar *m_speakBar = nullptr;
    VolumeProgressBar *m_microBar = nullptr;
    QFile m_soundFile;
    AudioInfo *m_audioInfo = nullptr;
    QAudioInput *m_audioInput = nullptr;
    QAudioOutput *m_audioOutput = nullptr;
    QAudioFormat m_format;
    QCamera *m_camera = nullptr;
    QCameraViewfinder *m_viewfinder = nullptr;
    QLabel *m_previewLabel = nullptr;
    QAudioDeviceInfo m_outputDevice;
    QAudioDeviceInfo m_inputDevice;
    QByteArray m_selectedCamera;
    QIODevice *m_outputStream = nullptr;
    QIODevice *m_inputStream = nullptr;
    std::unique_ptr<SoundControl> m_soundControl;
    std::unique_ptr<DeviceCatalog> m_catalog;
    std::unique_ptr<SystemInfo> m_systemInfo;
    QString m_latencyText;
    QDateTime m_probeStart;
    QDateTime m_probeEnd;
    Clock m_clock;
};

#endif // DEVICESETVIEW_H
