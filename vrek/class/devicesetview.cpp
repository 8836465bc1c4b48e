#include "vrek/class/devicesetview.h"

#include "platform/devicecatalog/devicecatalog.h"
#include "platform/soundcontrol/soundcontrol.h"
#include "platform/systeminfo/systeminfo.h"
#include "vrek/class/audioinfo.h"
#include "vrek/class/deviceinfolabel.h"
#include "vrek/class/volumeprogressbar.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/combobox.h"
#include "vrek/viewui/httptipmessage.h"

#include <QAudioInput>
#include <QAudioOutput>
#include <QCameraViewfinder>
#include <QDebug>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char *const initialKey = "DeviceSet/initial";
const char *const speakerKey = "AudioDevice/Speaker";
const char *const microphoneKey = "AudioDevice/Micro";
const char *const cameraKey = "CameraDevice/name";
const char *const stereoMixName = "立体声混音";
const char *const cameraOffText = "禁用";
const char *const testSoundFile = ":otherres/w.wav";
const char *const imageFolder = ":/vrek/image/classmanagerview/";
constexpr int highLatencyMs = 1000;
// What the round trip of the probe costs beyond the network.
constexpr int probeOverheadMs = 50;
constexpr int loadLimitPercent = 80;
constexpr double diskLimitGb = 0.5;

// Saved devices are selected only the first time a list is built in a run; later builds keep the user's choice.
bool s_speakRestored = false;
bool s_microRestored = false;
bool s_videoRestored = false;

// Processor times of the previous measurement, for the whole run, and the load it gave.
SystemInfo::ProcessorTimes s_cpuSample;
qint64 s_cpuLoad = 0;

QString gigabytes(quint64 bytes)
{
    return QString::number(double(bytes) / 1024 / 1024 / 1024, 'f', 2);
}

QString getProductName(SystemInfo &info)
{
    return info.productName();
}

QString getCpuIdentifier(SystemInfo &info)
{
    return info.cpuIdentifier();
}

QString getCpuName(SystemInfo &info)
{
    return info.cpuName();
}

// The load since the previous call, in percent. The counters are compared in full: differences of their low
// 32 bits alone wrap within a minute on a machine of several processors (and against the zero sample of the
// first call), which gave loads far below 0 or above 100.
qint64 getCpuUsage(SystemInfo &info)
{
    SystemInfo::ProcessorTimes now;
    if (!info.processorTimes(now))
        return s_cpuLoad;
    const qint64 idle = qint64(now.idle - s_cpuSample.idle);
    const qint64 kernel = qint64(now.kernel - s_cpuSample.kernel);
    const qint64 user = qint64(now.user - s_cpuSample.user);
    s_cpuSample = now;
    const qint64 total = kernel + user;
    // No time passed (or the counters went back): the last figure stands.
    if (total <= 0 || idle < 0)
        return s_cpuLoad;
    s_cpuLoad = qBound<qint64>(0, (user - idle + kernel) * 100 / total, 100);
    return s_cpuLoad;
}

QString getMemoryInfo(SystemInfo &info, quint64 &available, quint64 &total, quint32 &load)
{
    SystemInfo::MemoryStatus status;
    if (!info.memoryStatus(status))
        status = SystemInfo::MemoryStatus();
    available = status.availableBytes;
    total = status.totalBytes;
    load = status.loadPercent;
    return QString("%1/%2 GB (%3%)").arg(gigabytes(available), gigabytes(total)).arg(load);
}

QString getDiskInfo(SystemInfo &info, quint64 &freeBytes, quint64 &totalBytes)
{
    SystemInfo::DiskSpace space;
    if (!info.diskSpace(QDir::currentPath(), space))
        space = SystemInfo::DiskSpace();
    freeBytes = space.freeBytes;
    totalBytes = space.totalBytes;
    return QString("当前磁盘 %1 %2 GB 可用，共 %3 GB").arg(space.drive, gigabytes(freeBytes), gigabytes(totalBytes));
}

// The operating system's width as the identifier of its processor tells it.
QString widthOf(const QString &identifier)
{
    if (identifier.contains("86"))
        return QStringLiteral("32位");
    if (identifier.contains("64"))
        return QStringLiteral("64位");
    return identifier;
}

QString status(bool passed, const char *warning)
{
    return passed ? QStringLiteral("正常") : QString::fromUtf8(warning);
}

// Items of a list whose text names no present device go; whatever the list holds current then is the choice.
void removeStale(ComboBox *list, const QStringList &present, int keepLast)
{
    for (int i = list->count() - 1 - keepLast; i >= 0; --i) {
        if (!present.contains(list->itemText(i))) {
            list->setCurrentIndex(0);
            list->removeItem(i);
        }
    }
}

void restoreSaved(ComboBox *list, const char *key, bool &restored)
{
    if (restored)
        return;
    const QString saved = SettingConfig::getSetting().getValue(key);
    const int index = saved.isEmpty() ? -1 : list->findText(saved);
    if (index >= 0)
        list->setCurrentIndex(index);
    restored = true;
}

void buildAudioList(ComboBox *list, const QList<AudioDeviceEntry> &devices, const char *key, bool &restored)
{
    QStringList present;
    for (const AudioDeviceEntry &device : devices) {
        present.append(device.name);
        if (list->findText(device.name) < 0)
            list->addItem(device.name, QVariant::fromValue(device.device));
    }
    removeStale(list, present, 0);
    restoreSaved(list, key, restored);
}

QString stepStyle(const char *step)
{
    const QString image = QString::fromLatin1(imageFolder) + QString::fromLatin1(step);
    return QString("QPushButton{border:none;font:15px;color:#333333;text-align:left;padding-left:62px;}"
                   "QPushButton[pass=\"1\"]{border-image:url(%1_01.png);}"
                   "QPushButton[pass=\"0\"]{border-image:url(%1_03.png);}"
                   "QPushButton:checked{border-image:url(%1_02.png);color:#0081ff;}")
        .arg(image);
}
} // namespace

DeviceSetView::DeviceSetView(QWidget *parent)
    : QWidget(parent)
    , m_soundControl(SoundControl::create())
    , m_catalog(DeviceCatalog::create())
    , m_systemInfo(SystemInfo::create())
    , m_clock(&QDateTime::currentDateTime)
{
    buildForm();
    m_probeStart = m_clock();
    m_probeEnd = m_probeStart;
    m_latencyText = "0 ms";

    testInitial();

    m_refreshTimer = new QTimer();
    m_speakBar = new VolumeProgressBar();
    m_microBar = new VolumeProgressBar();
    for (VolumeProgressBar *bar : { m_speakBar, m_microBar }) {
        bar->setFixedWidth(150);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    m_speakBar->setObjectName("speakProgressBar");
    m_microBar->setObjectName("microProgressBar");
    m_speakButtonLayout->insertWidget(1, m_speakBar);
    m_microButtonLayout->insertWidget(1, m_microBar);

    QTimer::singleShot(listDelayMs, this, [this] {
        getSpeakInfo();
        getMicroInfo();
        getVideoInfo();
    });

    connect(m_refreshTimer, &QTimer::timeout, this, &DeviceSetView::slotRefreshTimeout);
    for (QPushButton *step : { m_systemLeftButton, m_speakLeftButton, m_microLeftButton, m_videoLeftButton })
        connect(step, &QPushButton::toggled, this, &DeviceSetView::slotLeftButtonToggled);
    for (QPushButton *navigation : qAsConst(m_navigationButtons))
        connect(navigation, &QPushButton::clicked, this, &DeviceSetView::slotResultButtonClicked);
    for (QPushButton *test : { m_speakButton, m_microButton, m_videoButton })
        connect(test, &QPushButton::clicked, this, &DeviceSetView::slotTestButtonClicked);
    for (ComboBox *list : { m_speakComboBox, m_microComboBox, m_videoComboBox })
        connect(list, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DeviceSetView::slotComboBoxCurrentChanged);
    for (QSlider *slider : { m_speakSlider, m_microSlider })
        connect(slider, &QSlider::valueChanged, this, &DeviceSetView::slotVolumeBarChanged);
    if (g_httpClientManager)
        connect(g_httpClientManager, &HttpClientManager::signalHttpElapsed, this, &DeviceSetView::slotHttpElapsed);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalSocketTimeout, this,
            &DeviceSetView::slotSocketStateChange);

    const QString systemTitles[] = { "操作系统", "处理器", "内存", "硬盘", "网络" };
    DeviceInfoLabel *systemRows[]
        = { m_productWidget, m_processorWidget, m_memoryWidget, m_diskWidget, m_networkWidget };
    for (int i = 0; i < 5; ++i)
        systemRows[i]->setTitle(systemTitles[i]);
    const QString resultTitles[] = { "系统", "扬声器", "麦克风", "摄像头" };
    for (int i = 0; i < 4; ++i)
        m_resultWidgets[i]->setTitle(resultTitles[i]);
    m_speakComboBox->setPlaceholderText("没有播放设备");
    m_microComboBox->setPlaceholderText("没有录音设备");
    m_videoComboBox->setPlaceholderText("没有视频设备");
    for (ComboBox *list : { m_speakComboBox, m_microComboBox, m_videoComboBox })
        list->setFixedHeight(40);
    for (QPushButton *navigation : qAsConst(m_navigationButtons))
        navigation->setFixedSize(160, 45);
    m_speakButton->setFixedSize(70, 40);
    m_speakButton->setIcon(QIcon(QString::fromLatin1(imageFolder) + "play_01.png"));
    m_speakButton->setIconSize(QSize(24, 24));
    m_microButton->setFixedSize(80, 25);
    m_videoButton->setFixedSize(90, 25);
    for (QWidget *widget :
        std::initializer_list<QWidget *> { m_speakButton, m_microButton, m_videoButton, m_speakSlider, m_microSlider })
        widget->setEnabled(false);

    m_mainStackedWidget->setCurrentIndex(SettingConfig::getSetting().getValue(initialKey) == "1" ? 1 : 0);
}

DeviceSetView::~DeviceSetView()
{
    stopAllTest();
    if (m_soundFile.isOpen())
        m_soundFile.close();
    m_audioInfo->close();
    delete m_refreshTimer;
    if (m_camera) {
        m_camera->disconnect(this);
        delete m_camera;
    }
    releaseAudioInput();
    releaseAudioOutput();
    delete m_audioInfo;
}

void DeviceSetView::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&QDateTime::currentDateTime);
}

int DeviceSetView::notifyIntervalMs(int periodBytes, int bytesPerSecond)
{
    if (periodBytes <= 0 || bytesPerSecond <= 0)
        return fallbackNotifyMs;
    return qMax(1, int(qint64(periodBytes) * 1000 / bytesPerSecond));
}

void DeviceSetView::resetRestoredLists()
{
    s_speakRestored = false;
    s_microRestored = false;
    s_videoRestored = false;
}

// Form.

void DeviceSetView::buildForm()
{
    setObjectName("DeviceSetView");
    setWindowTitle("DeviceSetView");
    resize(900, 600);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    m_mainStackedWidget = new QStackedWidget(this);
    m_mainStackedWidget->setObjectName("mainStackedWidget");
    m_mainStackedWidget->addWidget(buildTipPage());
    m_mainStackedWidget->addWidget(buildTestPage());
    layout->addWidget(m_mainStackedWidget);
    setStyleSheet("QLabel#titleLabel_1,QLabel#titleLabel_2,QLabel#titleLabel_3,QLabel#titleLabel_4,"
                  "QLabel#titleLabel_5{font:bold 18px;color:#333333;}"
                  "QLabel[hint=\"true\"]{font:13px;color:#999999;}"
                  "QPushButton[navigation=\"true\"]{font:15px;color:white;background-color:#0081ff;border:none;"
                  "border-radius:4px;}"
                  "QPushButton[navigation=\"true\"]:hover{background-color:#1a8fff;}"
                  "QPushButton[navigation=\"true\"]:disabled{background-color:#b3d9ff;}");
}

QPushButton *DeviceSetView::button(const char *name, const QString &text, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(name);
    result->setFocusPolicy(Qt::NoFocus);
    return result;
}

QWidget *DeviceSetView::buildTipPage()
{
    auto *page = new QWidget();
    page->setObjectName("tipWidget");
    m_tipLayout = new QVBoxLayout(page);
    m_tipLayout->setObjectName("tipLayout");
    auto *label = new QLabel("为了给你带来更好的体验，请先检测设备!", page);
    label->setObjectName("tipLabel");
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet("QLabel{font:26px;color:#333333;}");
    QPushButton *start = button("okButton_0", "开始检测", page);
    start->setProperty("navigation", true);
    m_navigationButtons.append(start);
    m_tipLayout->addStretch(1);
    m_tipLayout->addWidget(label);
    m_tipLayout->addWidget(start, 0, Qt::AlignHCenter);
    m_tipLayout->addStretch(1);
    return page;
}

QWidget *DeviceSetView::buildTestPage()
{
    auto *page = new QWidget();
    page->setObjectName("testWidget");
    auto *layout = new QHBoxLayout(page);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *left = new QWidget(page);
    left->setObjectName("leftWidget");
    left->setFixedWidth(140);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setSpacing(0);
    leftLayout->setContentsMargins(0, 20, 0, 0);
    const struct
    {
        const char *name;
        const char *text;
        const char *image;
        QPushButton **member;
    } steps[] = { { "systemLeftButton", "系统", "system", &m_systemLeftButton },
        { "speakLeftButton", "扬声器", "speak", &m_speakLeftButton },
        { "microLeftButton", "麦克风", "micro", &m_microLeftButton },
        { "videoLeftButton", "摄像头", "video", &m_videoLeftButton } };
    for (const auto &step : steps) {
        QPushButton *stepButton = button(step.name, QString::fromUtf8(step.text), left);
        stepButton->setFixedSize(140, 40);
        stepButton->setCheckable(true);
        stepButton->setAutoExclusive(true);
        stepButton->setProperty("pass", "1");
        stepButton->setStyleSheet(stepStyle(step.image));
        leftLayout->addWidget(stepButton);
        *step.member = stepButton;
    }
    leftLayout->addStretch(1);
    m_systemLeftButton->setChecked(true);

    m_stackedWidget = new QStackedWidget(page);
    m_stackedWidget->setObjectName("stackedWidget");
    m_stackedWidget->addWidget(buildSystemPage());
    m_stackedWidget->addWidget(buildSpeakPage());
    m_stackedWidget->addWidget(buildMicroPage());
    m_stackedWidget->addWidget(buildVideoPage());
    m_stackedWidget->addWidget(buildResultPage());
    layout->addWidget(left);
    layout->addWidget(m_stackedWidget);
    return page;
}

QVBoxLayout *DeviceSetView::stepLayout(
    QWidget *page, const char *layoutName, const char *titleName, const QString &title)
{
    auto *layout = new QVBoxLayout(page);
    layout->setObjectName(layoutName);
    layout->setSpacing(12);
    auto *label = new QLabel(title, page);
    label->setObjectName(titleName);
    layout->addWidget(label);
    m_stepLayouts.append(layout);
    return layout;
}

QSlider *DeviceSetView::volumeSlider(const char *name, QWidget *parent)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(-1, 100);
    slider->setValue(-1);
    return slider;
}

void DeviceSetView::addHints(QVBoxLayout *layout, const QStringList &hints)
{
    QWidget *page = layout->parentWidget();
    for (const QString &hint : hints) {
        auto *label = new QLabel(hint, page);
        label->setProperty("hint", true);
        layout->addWidget(label);
    }
}

void DeviceSetView::addVerdictButtons(QVBoxLayout *layout, QPushButton *ok, QPushButton *cancel)
{
    layout->addStretch(1);
    auto *row = new QHBoxLayout();
    row->setSpacing(30);
    row->addStretch(1);
    for (QPushButton *navigation : { ok, cancel }) {
        if (!navigation)
            continue;
        navigation->setProperty("navigation", true);
        m_navigationButtons.append(navigation);
        row->addWidget(navigation);
    }
    row->addStretch(1);
    layout->addLayout(row);
}

namespace {
// A row of a caption and the control it names.
QHBoxLayout *captionRow(QVBoxLayout *layout, const QString &caption, QWidget *control)
{
    auto *row = new QHBoxLayout();
    auto *label = new QLabel(caption, layout->parentWidget());
    label->setFixedWidth(90);
    row->addWidget(label);
    row->addWidget(control, 1);
    layout->addLayout(row);
    return row;
}
} // namespace

QWidget *DeviceSetView::buildSystemPage()
{
    auto *page = new QWidget();
    page->setObjectName("systemPage");
    QVBoxLayout *layout = stepLayout(page, "systemLayout", "titleLabel_1", "系统检测");
    const char *const names[] = { "productWidget", "processorWidget", "memoryWidget", "diskWidget", "networkWidget" };
    DeviceInfoLabel **rows[]
        = { &m_productWidget, &m_processorWidget, &m_memoryWidget, &m_diskWidget, &m_networkWidget };
    for (int i = 0; i < 5; ++i) {
        auto *row = new DeviceInfoLabel(page);
        row->setObjectName(names[i]);
        layout->addWidget(row);
        *rows[i] = row;
    }
    addVerdictButtons(layout, button("okButton_1", "下一步", page), nullptr);
    return page;
}

QWidget *DeviceSetView::buildSpeakPage()
{
    auto *page = new QWidget();
    page->setObjectName("speakPage");
    QVBoxLayout *layout = stepLayout(page, "speakLayout", "titleLabel_2", "扬声器检测");
    m_speakComboBox = new ComboBox(page);
    m_speakComboBox->setObjectName("speakComboBox");
    captionRow(layout, "扬声器设备:", m_speakComboBox);
    layout->addWidget(new QLabel("请点击\"播放\"按钮:将播出一段音乐,请选择是否听见该音乐", page));
    m_speakSlider = volumeSlider("speakSlider", page);
    captionRow(layout, "扬声器音量:", m_speakSlider);
    m_speakButton = button("speakButton", "播放", page);
    m_speakButtonLayout = new QHBoxLayout();
    m_speakButtonLayout->setObjectName("speakButtonLayout");
    m_speakButtonLayout->setSpacing(15);
    m_speakButtonLayout->addWidget(m_speakButton);
    m_speakButtonLayout->addStretch(1);
    layout->addLayout(m_speakButtonLayout);
    addHints(layout,
        { "温馨提示", "如果您没有听到任何声音,试试下面的办法吧：", "1.当有杀毒软件显示拦截信息时,请选择允许",
            "2.请确认您的扬声器音量已经最大", "3.请检查扬声器设备是否正常", "4.请尝试重启您的计算机" });
    addVerdictButtons(layout, button("okButton_2", "可以听到", page), button("cancelButton_2", "不可以听到", page));
    return page;
}

QWidget *DeviceSetView::buildMicroPage()
{
    auto *page = new QWidget();
    page->setObjectName("microPage");
    QVBoxLayout *layout = stepLayout(page, "microLayout", "titleLabel_3", "麦克风检测");
    m_microComboBox = new ComboBox(page);
    m_microComboBox->setObjectName("microComboBox");
    captionRow(layout, "麦克风设备:", m_microComboBox);
    layout->addWidget(new QLabel("1.对着麦克风从一数到十", page));
    layout->addWidget(new QLabel("2.看下面的能量条是否有波动", page));
    m_microSlider = volumeSlider("microSlider", page);
    captionRow(layout, "麦克风音量:", m_microSlider);
    m_microButton = button("microButton", "麦克风测试", page);
    m_microButtonLayout = new QHBoxLayout();
    m_microButtonLayout->setObjectName("microButtonLayout");
    m_microButtonLayout->setSpacing(15);
    m_microButtonLayout->addWidget(m_microButton);
    m_microButtonLayout->addStretch(1);
    layout->addLayout(m_microButtonLayout);
    addHints(layout,
        { "温馨提示", "当你录音时如果无法观察到能量条的波动：", "1.当有杀毒软件显示拦截信息时,请选择允许",
            "2.请确认您的麦克风音量已经设置到最高", "3.请尝试重启您的计算机设备" });
    addVerdictButtons(layout, button("okButton_3", "可以看到", page), button("cancelButton_3", "不可以看到", page));
    return page;
}

QWidget *DeviceSetView::buildVideoPage()
{
    auto *page = new QWidget();
    page->setObjectName("videoPage");
    QVBoxLayout *layout = stepLayout(page, "videoLayout", "titleLabel_4", "摄像头检测");
    m_videoComboBox = new ComboBox(page);
    m_videoComboBox->setObjectName("videoComboBox");
    captionRow(layout, "摄像头设备:", m_videoComboBox);
    m_videoStackedWidget = new QStackedWidget(page);
    m_videoStackedWidget->setObjectName("videoStackedWidget");
    m_videoLabelWidget = new QWidget();
    m_videoLabelWidget->setObjectName("videoLabelWidget");
    m_videoCameraWidget = new QWidget();
    m_videoCameraWidget->setObjectName("videoCameraWidget");
    for (QWidget *preview : { m_videoLabelWidget, m_videoCameraWidget }) {
        auto *previewLayout = new QVBoxLayout(preview);
        previewLayout->setContentsMargins(0, 0, 0, 0);
        m_videoStackedWidget->addWidget(preview);
    }
    layout->addWidget(m_videoStackedWidget);
    m_videoButton = button("videoButton", "打开预览画面", page);
    layout->addWidget(m_videoButton);
    addHints(layout,
        { "温馨提示", "当您无法预览到摄像头画面的时候.试试下面的办法吧：", "1.当有杀毒软件显示拦截信息时,请选择允许",
            "2.请检查您的摄像头设备", "3.是否禁用了摄像头设备(按下键盘的Fn+摄像机键)", "4.尝试重新启动计算机" });
    addVerdictButtons(layout, button("okButton_4", "可以看到", page), button("cancelButton_4", "不可以看到", page));
    return page;
}

QWidget *DeviceSetView::buildResultPage()
{
    auto *page = new QWidget();
    page->setObjectName("resultPage");
    QVBoxLayout *layout = stepLayout(page, "resultLayout", "titleLabel_5", "检测结果");
    for (int i = 0; i < 4; ++i) {
        auto *row = new DeviceInfoLabel(page);
        row->setObjectName(QString("result%1Widget").arg(i + 1));
        layout->addWidget(row);
        m_resultWidgets[i] = row;
    }
    addVerdictButtons(layout, button("okButton_5", "重新检测", page), button("cancelButton_5", "检测完成", page));
    return page;
}

void DeviceSetView::testInitial()
{
    m_soundFile.setFileName(testSoundFile);
    if (!m_soundFile.open(QIODevice::ReadOnly))
        QMessageBox::information(this, "提示", "音频文件初始化失败", QMessageBox::Ok);

    m_format.setSampleRate(44100);
    m_format.setChannelCount(2);
    m_format.setSampleSize(16);
    m_format.setCodec("audio/pcm");
    m_format.setSampleType(QAudioFormat::SignedInt);
    m_format.setByteOrder(QAudioFormat::LittleEndian);

    m_audioInfo = new AudioInfo(m_format);
    connect(m_audioInfo, &AudioInfo::update, this, &DeviceSetView::slotAudioInfoChanged);
    m_audioInfo->open(QIODevice::WriteOnly);

    m_previewLabel = new QLabel();
    m_previewLabel->setObjectName("previewLabel");
    m_previewLabel->setStyleSheet(
        "QLabel[open=\"0\"]{border-image: url(:/vrek/image/classmanagerview/videoopen1.png);}"
        "QLabel[open=\"1\"]{border-image: url(:/vrek/image/classmanagerview/videoopen2.png);}");
    m_previewLabel->setProperty("open", "0");
    m_previewLabel->setFixedSize(190, 142);
    m_videoLabelWidget->layout()->addWidget(m_previewLabel);
    m_videoStackedWidget->setFixedSize(190, 142);

    m_viewfinder = new QCameraViewfinder();
    m_viewfinder->setObjectName("viewfinder");
    m_videoCameraWidget->layout()->addWidget(m_viewfinder);
}

// Device lists.

void DeviceSetView::getSpeakInfo()
{
    buildAudioList(m_speakComboBox, m_catalog->audioOutputs(), speakerKey, s_speakRestored);
}

void DeviceSetView::getMicroInfo()
{
    QList<AudioDeviceEntry> microphones;
    for (const AudioDeviceEntry &input : m_catalog->audioInputs()) {
        if (!input.isLoopback && !input.name.contains(QString::fromUtf8(stereoMixName)))
            microphones.append(input);
    }
    buildAudioList(m_microComboBox, microphones, microphoneKey, s_microRestored);
}

void DeviceSetView::getVideoInfo()
{
    const QList<CameraEntry> cameras = m_catalog->cameras();
    bool offAdded = false;
    QStringList present;
    if (cameras.isEmpty()) {
        m_videoComboBox->clear();
    } else {
        if (m_videoComboBox->findText(cameraOffText) < 0) {
            m_videoComboBox->addItem(cameraOffText, QVariant());
            offAdded = true;
        }
        for (const CameraEntry &camera : cameras) {
            present.append(camera.name);
            if (m_videoComboBox->findText(camera.name) < 0)
                m_videoComboBox->insertItem(m_videoComboBox->count() - 1, camera.name, camera.deviceName);
        }
        removeStale(m_videoComboBox, present, 1);
    }
    if (offAdded)
        m_videoComboBox->setCurrentIndex(0);
    restoreSaved(m_videoComboBox, cameraKey, s_videoRestored);
    SettingConfig::getSetting().setValue(cameraKey, m_videoComboBox->currentText());
    qDebug() << "camera:" << m_videoComboBox->currentText();
}

void DeviceSetView::slotComboBoxCurrentChanged(int index)
{
    stopAllTest();
    QObject *list = sender();
    if (list == m_speakComboBox || list == m_microComboBox) {
        const bool speaker = list == m_speakComboBox;
        QPushButton *test = speaker ? m_speakButton : m_microButton;
        if (index < 0) {
            test->setEnabled(false);
            return;
        }
        test->setEnabled(true);
        const QAudioDeviceInfo device = static_cast<ComboBox *>(list)->itemData(index).value<QAudioDeviceInfo>();
        bool ok = false;
        if (speaker) {
            m_outputDevice = device;
            const int volume = m_soundControl->getSpeakerVolume(ok);
            showSystemVolume(m_speakSlider, ok, volume);
        } else {
            m_inputDevice = device;
            const int volume = m_soundControl->getMicrophoneVolume(ok);
            showSystemVolume(m_microSlider, ok, volume);
        }
    } else if (list == m_videoComboBox) {
        const bool disabled = index < 0 || m_videoComboBox->currentText() == cameraOffText;
        if (!disabled)
            m_selectedCamera = m_videoComboBox->itemData(index).toByteArray();
        m_videoButton->setEnabled(!disabled);
    }
}

// Only the user's own slider moves reach the system: a value shown here must not write itself back (a failed
// read would set the volume to 0, a good one unmute a muted device).
void DeviceSetView::showSystemVolume(QSlider *slider, bool ok, int volume)
{
    const QSignalBlocker blocker(slider);
    slider->setEnabled(ok);
    slider->setValue(ok ? volume : 0);
}

void DeviceSetView::slotVolumeBarChanged(int value)
{
    QObject *slider = sender();
    if (slider != m_speakSlider && slider != m_microSlider)
        return;
    const auto set = [this, slider](int command) {
        return slider == m_speakSlider ? m_soundControl->setSpeaker(command) : m_soundControl->setMicrophone(command);
    };
    if (value >= 0) {
        set(SoundControl::Unmute);
        set(value);
    } else if (value == SoundControl::Mute) {
        set(SoundControl::Mute);
    }
}

// Steps and verdicts.

void DeviceSetView::slotLeftButtonToggled(bool checked)
{
    if (!checked)
        return;
    stopAllTest();
    QObject *step = sender();
    if (step == m_systemLeftButton)
        m_stackedWidget->setCurrentIndex(0);
    else if (step == m_speakLeftButton)
        m_stackedWidget->setCurrentIndex(1);
    else if (step == m_microLeftButton)
        m_stackedWidget->setCurrentIndex(2);
    else if (step == m_videoLeftButton)
        m_stackedWidget->setCurrentIndex(3);
    slotRefreshTimeout();
}

void DeviceSetView::restyle(QWidget *widget)
{
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

void DeviceSetView::setPass(QPushButton *step, bool passed)
{
    step->setProperty("pass", passed ? "1" : "0");
    restyle(step);
}

void DeviceSetView::setVerdict(DeviceInfoLabel *row, QPushButton *step, bool passed, const QString &choice)
{
    row->setInfo(QString("您选择了%1").arg(choice));
    row->setStatus(passed ? "通过" : "不通过");
    setPass(step, passed);
}

void DeviceSetView::slotResultButtonClicked()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == "okButton_0") {
        m_mainStackedWidget->setCurrentIndex(1);
    } else if (name == "okButton_1") {
        m_speakLeftButton->setChecked(true);
    } else if (name == "okButton_2" || name == "cancelButton_2") {
        const bool ok = name == "okButton_2";
        setVerdict(m_resultWidgets[1], m_speakLeftButton, ok, ok ? "可以听到" : "不可以听到");
        m_microLeftButton->setChecked(true);
    } else if (name == "okButton_3" || name == "cancelButton_3") {
        const bool ok = name == "okButton_3";
        setVerdict(m_resultWidgets[2], m_microLeftButton, ok, ok ? "可以看到" : "不可以看到");
        m_videoLeftButton->setChecked(true);
    } else if (name == "okButton_4" || name == "cancelButton_4") {
        const bool ok = name == "okButton_4";
        setVerdict(m_resultWidgets[3], m_videoLeftButton, ok, ok ? "可以看到" : "不可以看到");
        // An exclusive button cannot be unchecked on its own: the result page belongs to no step.
        m_videoLeftButton->setCheckable(false);
        m_videoLeftButton->setCheckable(true);
        stopAllTest();
        m_stackedWidget->setCurrentIndex(4);
    } else if (name == "okButton_5") {
        m_systemLeftButton->setChecked(true);
    } else if (name == "cancelButton_5") {
        m_systemLeftButton->setChecked(true);
        emit signalTestFinish();
    }
}

// Refresh, show and hide.

void DeviceSetView::slotRefreshTimeout()
{
    switch (m_stackedWidget->currentIndex()) {
    case 0:
        getSystemInfo();
        break;
    case 1:
        getSpeakInfo();
        break;
    case 2:
        getMicroInfo();
        break;
    case 3:
        getVideoInfo();
        break;
    default:
        return;
    }
    qInfo() << "refreshed step" << m_stackedWidget->currentIndex();
}

void DeviceSetView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    slotRefreshTimeout();
    m_refreshTimer->start(refreshIntervalMs);
}

void DeviceSetView::hideEvent(QHideEvent *event)
{
    stopAllTest();
    m_refreshTimer->stop();
    SettingConfig &settings = SettingConfig::getSetting();
    settings.setValue(initialKey, "1");
    const std::pair<ComboBox *, const char *> lists[]
        = { { m_speakComboBox, speakerKey }, { m_microComboBox, microphoneKey }, { m_videoComboBox, cameraKey } };
    for (const auto &list : lists) {
        if (!list.first->currentText().isEmpty())
            settings.setValue(list.second, list.first->currentText());
    }
    QWidget::hideEvent(event);
}

void DeviceSetView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = event->size().width();
    const int h = event->size().height();
    for (QVBoxLayout *layout : qAsConst(m_stepLayouts))
        layout->setContentsMargins(w / 16, h / 28, w / 4, h / 28);
    m_tipLayout->setSpacing(h / 10);
}

// System check and network latency.

void DeviceSetView::getSystemInfo()
{
    m_probeStart = m_clock();
    if (g_httpClientManager)
        g_httpClientManager->sendHttpElapsed();
    else
        qWarning() << "no http client: the latency is not measured";

    SystemInfo &info = *m_systemInfo;
    m_productWidget->setInfo(QString("%1 %2").arg(getProductName(info), widthOf(getCpuIdentifier(info))));
    m_productWidget->setStatus(status(true, ""));

    const qint64 load = getCpuUsage(info);
    const bool processorPassed = load < loadLimitPercent;
    m_processorWidget->setInfo(QString("%1 %2%").arg(getCpuName(info)).arg(load));
    m_processorWidget->setStatus(status(processorPassed, "处理器占用过高"));

    quint64 available = 0;
    quint64 total = 0;
    quint32 memoryLoad = 0;
    m_memoryWidget->setInfo(getMemoryInfo(info, available, total, memoryLoad));
    const bool memoryPassed = memoryLoad < quint32(loadLimitPercent);
    m_memoryWidget->setStatus(status(memoryPassed, "内存占用过高"));

    quint64 freeBytes = 0;
    quint64 totalBytes = 0;
    m_diskWidget->setInfo(getDiskInfo(info, freeBytes, totalBytes));
    const bool diskPassed = double(freeBytes) / 1024 / 1024 / 1024 > diskLimitGb;
    m_diskWidget->setStatus(status(diskPassed, "硬盘剩余过小"));

    m_networkWidget->setInfo(QString("延迟 %1").arg(m_latencyText));
    const bool networkPassed = m_latencyText.endsWith("ms");
    m_networkWidget->setStatus(status(networkPassed, "网络异常"));

    const bool passed = processorPassed && memoryPassed && diskPassed && networkPassed;
    m_resultWidgets[0]->setInfo(passed ? "系统资源正常" : "系统资源异常");
    m_resultWidgets[0]->setStatus(passed ? "通过" : "不通过");
    setPass(m_systemLeftButton, passed);
}

void DeviceSetView::slotHttpElapsed(const QString &reply)
{
    // A time-out answers "error", a request that failed (refused, cut, not 200) nothing at all: neither
    // measured the network.
    if (reply == "error" || reply.isEmpty()) {
        if (g_httpTipMessage)
            g_httpTipMessage->slotShow();
        m_latencyText = "超时";
        return;
    }
    m_probeEnd = m_clock();
    const int elapsed = int(m_probeStart.msecsTo(m_probeEnd));
    if (elapsed > highLatencyMs) {
        m_latencyText = "超时";
        return;
    }
    const int shown = elapsed - probeOverheadMs >= 0 ? elapsed - probeOverheadMs : elapsed;
    m_latencyText = QString("%1 ms").arg(shown);
}

void DeviceSetView::slotSocketStateChange(bool dropped, const QString &)
{
    if (dropped)
        m_latencyText = "超时";
}

void DeviceSetView::slotSocketElapsed(int ms)
{
    m_latencyText = ms <= highLatencyMs ? QString("%1 ms").arg(ms) : QString("超时");
}

// Device tests.

void DeviceSetView::slotTestButtonClicked()
{
    QObject *test = sender();
    qDebug() << "test button:" << (test ? test->objectName() : QString());
    if (test == m_speakButton)
        startSpeakerTest();
    else if (test == m_microButton)
        toggleMicrophoneTest();
    else if (test == m_videoButton)
        toggleCameraPreview();
}

// Qt's PulseAudio backend waits for good for a stream of a device that has gone (or of a server that hangs):
// a device no longer listed is not opened at all.
bool DeviceSetView::isStillPresent(const QAudioDeviceInfo &device, bool input)
{
    if (device.isNull())
        return true;
    const QList<AudioDeviceEntry> present = input ? m_catalog->audioInputs() : m_catalog->audioOutputs();
    for (const AudioDeviceEntry &entry : present) {
        if (entry.device.deviceName() == device.deviceName())
            return true;
    }
    qWarning() << "the device is gone:" << device.deviceName();
    return false;
}

void DeviceSetView::startSpeakerTest()
{
    m_speakButton->setEnabled(false);
    releaseAudioOutput();
    if (!isStillPresent(m_outputDevice, false)) {
        m_speakButton->setEnabled(true);
        QMessageBox::information(this, "提示", "扬声器打开失败!");
        return;
    }
    m_audioOutput = new QAudioOutput(m_outputDevice, m_format);
    connect(m_audioOutput, &QAudioOutput::stateChanged, this, &DeviceSetView::slotAudioStateChanged);
    connect(m_audioOutput, &QAudioOutput::notify, this, &DeviceSetView::slotAudioNotify);
    if (m_soundFile.isOpen())
        m_soundFile.seek(0);
    m_outputStream = m_audioOutput->start();
    if (m_audioOutput->error() == QAudio::NoError && m_audioOutput->state() != QAudio::StoppedState) {
        const int bytesPerSecond = m_format.bytesForDuration(1000000);
        m_audioOutput->setNotifyInterval(notifyIntervalMs(m_audioOutput->periodSize(), bytesPerSecond));
        // Two periods queued before the first notification.
        feedOutput();
        feedOutput();
        // Without its sound the test has nothing to play and ends at once.
        if (!m_soundFile.isOpen())
            m_audioOutput->stop();
        return;
    }
    qWarning() << "error:" << m_audioOutput->error();
    releaseAudioOutput();
    m_speakButton->setEnabled(true);
    QMessageBox::information(this, "提示", "扬声器打开失败!");
}

void DeviceSetView::toggleMicrophoneTest()
{
    if (m_audioInput && m_audioInput->state() != QAudio::StoppedState) {
        m_audioInput->stop();
        releaseAudioInput();
        return;
    }
    releaseAudioInput();
    if (!isStillPresent(m_inputDevice, true)) {
        QMessageBox::information(this, "提示", "麦克风打开失败!");
        return;
    }
    m_audioInput = new QAudioInput(m_inputDevice, m_format);
    connect(m_audioInput, &QAudioInput::stateChanged, this, &DeviceSetView::slotAudioStateChanged);
    connect(m_audioInput, &QAudioInput::notify, this, &DeviceSetView::slotAudioNotify);
    m_inputStream = m_audioInput->start();
    if (m_audioInput->error() == QAudio::NoError && m_audioInput->state() != QAudio::StoppedState) {
        const int bytesPerSecond = m_format.bytesForDuration(1000000);
        m_audioInput->setNotifyInterval(notifyIntervalMs(m_audioInput->periodSize(), bytesPerSecond));
        // Some inputs (PulseAudio's) stay idle, and never notify, until their stream has been read: what they
        // have is read as soon as they say so.
        connect(m_inputStream, &QIODevice::readyRead, this, &DeviceSetView::feedInput);
        return;
    }
    qWarning() << "error:" << m_audioInput->error();
    releaseAudioInput();
    QMessageBox::information(this, "提示", "麦克风打开失败!");
}

void DeviceSetView::toggleCameraPreview()
{
    if (m_camera) {
        m_camera->stop();
        m_camera->unload();
        // A camera that never loaded reports no unloading: it goes here.
        if (m_camera && m_camera->state() == QCamera::UnloadedState)
            releaseCamera();
        return;
    }
    qInfo() << "open the camera:" << m_selectedCamera;
    m_camera = new QCamera(m_selectedCamera);
    connect(m_camera, &QCamera::stateChanged, this, &DeviceSetView::slotCameraStateChanged);
    // A camera in error reports no state again: it goes, and the next press tries anew instead of stopping it.
    connect(m_camera, QOverload<QCamera::Error>::of(&QCamera::error), this, [this](QCamera::Error error) {
        qWarning() << "camera error:" << error << m_selectedCamera;
        releaseCamera();
    });
    m_camera->setViewfinder(m_viewfinder);
    m_camera->load();
    // The error may have come within the load.
    if (m_camera)
        m_camera->start();
}

// One period at each notification, or as much as the device has room for when that is more: a sound server may
// take less than a period at one notification and more at the next, and the sound must keep up with it.
void DeviceSetView::feedOutput()
{
    if (!m_audioOutput || !m_outputStream || !m_soundFile.isOpen())
        return;
    const int period = m_audioOutput->periodSize();
    const int chunk
        = qMax(period > 0 ? period : m_format.bytesForDuration(fallbackNotifyMs * 1000), m_audioOutput->bytesFree());
    const QByteArray data = m_soundFile.read(chunk);
    if (data.isEmpty())
        return;
    const qint64 written = qMax<qint64>(0, m_outputStream->write(data));
    // What the device did not take is played at the next feed, not skipped.
    if (written < data.size())
        m_soundFile.seek(m_soundFile.pos() - (data.size() - written));
    if (written > 0)
        m_audioInfo->write(data.constData(), written);
}

void DeviceSetView::feedInput()
{
    if (!m_audioInput || !m_inputStream)
        return;
    const int period = m_audioInput->periodSize();
    const int chunk
        = qMax(period > 0 ? period : m_format.bytesForDuration(fallbackNotifyMs * 1000), m_audioInput->bytesReady());
    const QByteArray data = m_inputStream->read(chunk);
    if (!data.isEmpty())
        m_audioInfo->write(data);
}

void DeviceSetView::slotAudioNotify()
{
    QObject *audio = sender();
    if (audio && audio == m_audioOutput)
        feedOutput();
    else if (audio && audio == m_audioInput)
        feedInput();
}

bool DeviceSetView::soundFileAtEnd() const
{
    return !m_soundFile.isOpen() || m_soundFile.atEnd();
}

void DeviceSetView::slotAudioStateChanged(QAudio::State state)
{
    QObject *audio = sender();
    if (audio && audio == m_audioOutput) {
        // The output is idle before anything was written to it as well: that is no end.
        const bool ranDry
            = state == QAudio::IdleState && m_outputStream && m_audioOutput->error() == QAudio::UnderrunError;
        if (ranDry && soundFileAtEnd()) {
            m_audioOutput->stop();
        } else if (ranDry) {
            // An output that ran dry is not notified again until it is fed: it would stay silent for good.
            qWarning() << "the test sound ran dry at byte" << m_soundFile.pos();
            feedOutput();
        } else if (state == QAudio::StoppedState) {
            m_speakBar->setValue(0);
            m_speakButton->setEnabled(true);
        }
    } else if (audio && audio == m_audioInput) {
        if (state == QAudio::IdleState) {
            m_microButton->setText("关闭测试");
        } else if (state == QAudio::StoppedState) {
            m_microBar->setValue(0);
            m_microButton->setText("麦克风测试");
        }
    }
}

void DeviceSetView::slotAudioInfoChanged()
{
    const int level = barValue(m_audioInfo->level());
    if (m_speakLeftButton->isChecked())
        m_speakBar->setValue(level);
    else if (m_microLeftButton->isChecked())
        m_microBar->setValue(level);
}

void DeviceSetView::slotCameraStateChanged(QCamera::State state)
{
    switch (state) {
    case QCamera::ActiveState:
        m_videoStackedWidget->setCurrentIndex(1);
        break;
    case QCamera::LoadedState:
        m_previewLabel->setProperty("open", "1");
        restyle(m_previewLabel);
        m_videoStackedWidget->setCurrentIndex(0);
        m_videoButton->setText("关闭预览画面");
        break;
    case QCamera::UnloadedState:
        releaseCamera();
        break;
    }
}

void DeviceSetView::stopAllTest()
{
    if (m_audioOutput && m_audioOutput->state() != QAudio::StoppedState)
        m_audioOutput->stop();
    if (m_audioInput && m_audioInput->state() != QAudio::StoppedState)
        m_audioInput->stop();
    if (m_camera && m_camera->state() != QCamera::UnloadedState)
        m_camera->unload();
}

void DeviceSetView::releaseAudioOutput()
{
    delete m_audioOutput;
    m_audioOutput = nullptr;
    m_outputStream = nullptr;
}

void DeviceSetView::releaseAudioInput()
{
    delete m_audioInput;
    m_audioInput = nullptr;
    m_inputStream = nullptr;
}

// The camera may be the one reporting its unloading: it goes once its notification has returned.
void DeviceSetView::releaseCamera()
{
    if (m_camera) {
        m_camera->disconnect(this);
        m_camera->deleteLater();
        m_camera = nullptr;
    }
    m_previewLabel->setProperty("open", "0");
    restyle(m_previewLabel);
    m_videoStackedWidget->setCurrentIndex(0);
    m_videoButton->setText("打开预览画面");
}
