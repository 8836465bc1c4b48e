#include "platform/capturedevice/capturedeviceresolver.h"

#include "platform/sounddevices/sounddevicelist.h"

#include <QDebug>
#include <QDir>
#include <QRegularExpression>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

const QString CaptureDeviceResolver::defaultDeviceName = QStringLiteral("Windows默认设备");
const QString CaptureDeviceResolver::disabledDeviceName = QStringLiteral("禁用");
const QString CaptureDeviceResolver::lavfiPrefix = QStringLiteral("lavfi:");

namespace {
// A sound server that does not answer within this time is taken as absent.
constexpr int pulseQueryLimitMs = 1500;

int videoNodeNumber(const QString &fileName)
{
    return fileName.mid(5).toInt(); // "videoN"
}
} // namespace

bool CaptureDeviceResolver::isLavfiName(const QString &name)
{
    return name.startsWith(lavfiPrefix);
}

bool CaptureDeviceResolver::isLoopbackSource(const QString &name, const QString &id)
{
    if (id.endsWith(QLatin1String(".monitor")) || name.endsWith(QLatin1String(".monitor")))
        return true;
    for (const QString &text : { name, id }) {
        if (text.contains(QStringLiteral("立体声混音"), Qt::CaseInsensitive)
            || text.contains(QStringLiteral("stereo mix"), Qt::CaseInsensitive)
            || text.contains(QStringLiteral("monitor of"), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QList<CaptureDevice> CaptureDeviceResolver::cameras()
{
    QList<CaptureDevice> result;
    QDir dev(QStringLiteral("/dev"));
    QStringList nodes = dev.entryList({ QStringLiteral("video*") }, QDir::System | QDir::Files);
    nodes.erase(std::remove_if(nodes.begin(), nodes.end(),
                    [](const QString &node) { return !QRegularExpression("^video\\d+$").match(node).hasMatch(); }),
        nodes.end());
    std::sort(nodes.begin(), nodes.end(),
        [](const QString &a, const QString &b) { return videoNodeNumber(a) < videoNodeNumber(b); });
    for (const QString &node : nodes) {
        const QByteArray path = dev.filePath(node).toLocal8Bit();
        const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        v4l2_capability capability {};
        const bool queried = ::ioctl(fd, VIDIOC_QUERYCAP, &capability) == 0;
        ::close(fd);
        if (!queried)
            continue;
        // A camera has several nodes (pictures, metadata); only the picture node captures.
        const quint32 caps
            = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps : capability.capabilities;
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
            continue;
        CaptureDevice device;
        device.name = QString::fromUtf8(reinterpret_cast<const char *>(capability.card)).trimmed();
        device.id = QString::fromLocal8Bit(path);
        device.backend = QStringLiteral("v4l2");
        if (device.name.isEmpty())
            device.name = device.id;
        result.append(device);
    }
    if (!result.isEmpty())
        result.first().isDefault = true;
    return result;
}

QList<CaptureDevice> CaptureDeviceResolver::soundSources(const QList<SoundDevice> &sources, const QString &backend)
{
    QList<CaptureDevice> result;
    for (const SoundDevice &source : sources) {
        if (source.isMonitor || isLoopbackSource(source.name, source.id))
            continue;
        CaptureDevice device;
        device.name = source.name;
        device.id = source.id;
        device.backend = backend;
        device.isDefault = source.isDefault;
        result.append(device);
    }
    return result;
}

QList<CaptureDevice> CaptureDeviceResolver::microphones()
{
    SoundDeviceList::Pulse pulse;
    if (SoundDeviceList::pulse(pulseQueryLimitMs, &pulse))
        return soundSources(pulse.sources, QStringLiteral("pulse"));
    return soundSources(SoundDeviceList::alsa(true), QStringLiteral("alsa"));
}

QString CaptureDeviceResolver::chooseCamera(const QString &stored, const QList<CaptureDevice> &cameras)
{
    if (stored == disabledDeviceName)
        return QString();
    if (stored.isEmpty() || stored == defaultDeviceName) {
        for (const CaptureDevice &camera : cameras) {
            if (camera.isDefault)
                return camera.name;
        }
        return cameras.isEmpty() ? QString() : cameras.first().name;
    }
    return stored;
}

QString CaptureDeviceResolver::chooseMicrophone(const QString &stored, const QList<CaptureDevice> &microphones)
{
    if (stored == disabledDeviceName)
        return QString();
    if (stored.isEmpty() || stored == defaultDeviceName) {
        for (const CaptureDevice &microphone : microphones) {
            if (!isLoopbackSource(microphone.name, microphone.id))
                return microphone.name;
        }
        return QString();
    }
    return stored;
}

QString CaptureDeviceResolver::resolveCameraName(const QString &stored)
{
    // Only the default needs the system's list.
    const bool wantsDefault = stored.isEmpty() || stored == defaultDeviceName;
    return chooseCamera(stored, wantsDefault ? cameras() : QList<CaptureDevice>());
}

QString CaptureDeviceResolver::resolveMicrophoneName(const QString &stored)
{
    const bool wantsDefault = stored.isEmpty() || stored == defaultDeviceName;
    return chooseMicrophone(stored, wantsDefault ? microphones() : QList<CaptureDevice>());
}

CaptureSource CaptureDeviceResolver::lavfiSource(const QString &name, bool isAudio)
{
    CaptureSource source;
    QString graph = name.mid(lavfiPrefix.size()).trimmed();
    if (graph.isEmpty())
        return source;
    // A generated source runs as fast as it is read; a device delivers in real time. A graph of one chain
    // is paced like a device unless it says otherwise.
    if (!graph.contains(QLatin1String("realtime")) && !graph.contains(QLatin1Char(';')))
        graph += isAudio ? QStringLiteral(",arealtime") : QStringLiteral(",realtime");
    source.format = QStringLiteral("lavfi");
    source.url = graph;
    return source;
}

CaptureSource CaptureDeviceResolver::cameraSource(const QString &name)
{
    if (name.isEmpty() || name == disabledDeviceName || isLavfiName(name))
        return cameraSource(name, QList<CaptureDevice>());
    return cameraSource(name, cameras());
}

CaptureSource CaptureDeviceResolver::microphoneSource(const QString &name)
{
    if (name.isEmpty() || name == disabledDeviceName || isLavfiName(name))
        return microphoneSource(name, QList<CaptureDevice>());
    return microphoneSource(name, microphones());
}

CaptureSource CaptureDeviceResolver::cameraSource(const QString &name, const QList<CaptureDevice> &cameras)
{
    if (isLavfiName(name))
        return lavfiSource(name, false);
    const QString chosen = name == defaultDeviceName ? chooseCamera(name, cameras) : name;
    CaptureSource source;
    if (chosen.isEmpty() || chosen == disabledDeviceName)
        return source;
    source.format = QStringLiteral("v4l2");
    for (const CaptureDevice &camera : cameras) {
        if (camera.name == chosen || camera.id == chosen) {
            source.url = camera.id;
            return source;
        }
    }
    // A node given by its path, also one that is not listed (yet).
    if (chosen.startsWith(QLatin1String("/dev/video")))
        source.url = chosen;
    else
        qWarning() << "no such camera:" << chosen;
    return source;
}

CaptureSource CaptureDeviceResolver::microphoneSource(const QString &name, const QList<CaptureDevice> &microphones)
{
    if (isLavfiName(name))
        return lavfiSource(name, true);
    const QString chosen = name == defaultDeviceName ? chooseMicrophone(name, microphones) : name;
    CaptureSource source;
    if (chosen.isEmpty() || chosen == disabledDeviceName)
        return source;
    for (const CaptureDevice &microphone : microphones) {
        if ((microphone.name == chosen || microphone.id == chosen)
            && !isLoopbackSource(microphone.name, microphone.id)) {
            source.format = microphone.backend;
            source.url = microphone.id;
            // The sound server hands over 100 ms at a time (at its default 48 kHz stereo 16-bit); its input
            // waits for that much and cannot be woken earlier.
            if (source.format == QLatin1String("pulse"))
                source.options.append({ QStringLiteral("fragment_size"), QString::number(48000 * 2 * 2 / 10) });
            return source;
        }
    }
    qWarning() << "no such microphone:" << chosen;
    return source;
}
