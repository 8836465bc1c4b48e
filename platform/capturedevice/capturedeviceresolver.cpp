#include "platform/capturedevice/capturedeviceresolver.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QRegularExpression>
#include <QThread>

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <pulse/pulseaudio.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

const QString CaptureDeviceResolver::defaultDeviceName = QStringLiteral("Windows默认设备");
const QString CaptureDeviceResolver::disabledDeviceName = QStringLiteral("禁用");
const QString CaptureDeviceResolver::lavfiPrefix = QStringLiteral("lavfi:");

namespace {
// A sound server that does not answer within this time is taken as absent.
constexpr int pulseQueryLimitMs = 1500;

struct PulseQuery
{
    QList<CaptureDevice> sources;
    QString defaultSource;
    int pending = 0;
};

void pulseServerInfo(pa_context *, const pa_server_info *info, void *userdata)
{
    auto *query = static_cast<PulseQuery *>(userdata);
    if (info && info->default_source_name)
        query->defaultSource = QString::fromUtf8(info->default_source_name);
    --query->pending;
}

void pulseSourceInfo(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    auto *query = static_cast<PulseQuery *>(userdata);
    if (eol != 0) {
        --query->pending;
        return;
    }
    if (!info || !info->name || info->monitor_of_sink != PA_INVALID_INDEX)
        return;
    CaptureDevice device;
    device.id = QString::fromUtf8(info->name);
    device.name = info->description && *info->description ? QString::fromUtf8(info->description) : device.id;
    device.backend = QStringLiteral("pulse");
    query->sources.append(device);
}

// Runs the loop until done() or the deadline, never blocking longer than a few milliseconds at a time.
template<typename Done>
bool iteratePulse(pa_mainloop *loop, const QDeadlineTimer &deadline, Done done)
{
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        if (pa_mainloop_prepare(loop, 5000) < 0 || pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
            return false;
    }
    return true;
}

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

QList<CaptureDevice> CaptureDeviceResolver::pulseSources(bool *serverAnswered)
{
    *serverAnswered = false;
    QList<CaptureDevice> result;
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop)
        return result;
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "TaviStudent");
    if (!context) {
        pa_mainloop_free(loop);
        return result;
    }
    PulseQuery query;
    QDeadlineTimer deadline(pulseQueryLimitMs);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        bool failed = false;
        const bool ready = iteratePulse(loop, deadline, [&] {
            const pa_context_state_t state = pa_context_get_state(context);
            failed = !PA_CONTEXT_IS_GOOD(state);
            return state == PA_CONTEXT_READY || failed;
        });
        if (ready && !failed) {
            query.pending = 2;
            pa_operation *info = pa_context_get_server_info(context, &pulseServerInfo, &query);
            pa_operation *list = pa_context_get_source_info_list(context, &pulseSourceInfo, &query);
            if (!info)
                --query.pending;
            if (!list)
                --query.pending;
            *serverAnswered = iteratePulse(loop, deadline, [&] { return query.pending <= 0; }) && list;
            if (info)
                pa_operation_unref(info);
            if (list)
                pa_operation_unref(list);
        }
        pa_context_disconnect(context);
    }
    pa_context_unref(context);
    pa_mainloop_free(loop);
    if (!*serverAnswered)
        return result;

    for (const CaptureDevice &source : qAsConst(query.sources)) {
        if (isLoopbackSource(source.name, source.id))
            continue;
        CaptureDevice device = source;
        device.isDefault = device.id == query.defaultSource;
        if (device.isDefault)
            result.prepend(device);
        else
            result.append(device);
    }
    return result;
}

QList<CaptureDevice> CaptureDeviceResolver::alsaCaptureDevices()
{
    QList<CaptureDevice> result;
    void **hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return result;
    for (void **hint = hints; *hint; ++hint) {
        char *name = snd_device_name_get_hint(*hint, "NAME");
        char *description = snd_device_name_get_hint(*hint, "DESC");
        char *direction = snd_device_name_get_hint(*hint, "IOID");
        const QString id = QString::fromUtf8(name ? name : "");
        const QString text = QString::fromUtf8(description ? description : "").section(QLatin1Char('\n'), 0, 0);
        // The default, and one entry per card and device (the plug layer converts whatever format is asked).
        const bool input = !direction || qstrcmp(direction, "Input") == 0;
        const bool wanted = id == QLatin1String("default") || id.startsWith(QLatin1String("plughw:"));
        if (input && wanted && !isLoopbackSource(text, id)) {
            CaptureDevice device;
            device.id = id;
            device.name = text.isEmpty() ? id : text;
            device.backend = QStringLiteral("alsa");
            device.isDefault = id == QLatin1String("default");
            if (device.isDefault)
                result.prepend(device);
            else
                result.append(device);
        }
        free(name);
        free(description);
        free(direction);
    }
    snd_device_name_free_hint(hints);
    return result;
}

QList<CaptureDevice> CaptureDeviceResolver::microphones()
{
    bool serverAnswered = false;
    QList<CaptureDevice> result = pulseSources(&serverAnswered);
    if (!serverAnswered)
        result = alsaCaptureDevices();
    return result;
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
