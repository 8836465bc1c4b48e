// Feeds arbitrary bytes to the pad link's readers as one payload, as a control message and as a courseware
// message of every kind. A message that reads and can go back to the pad is written, read again and written
// once more: the two texts must agree.
#include "vrek/message/ppprotocolanalysis.h"
#include "vrek/utils/globalvalue.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void silence(QtMsgType, const QMessageLogContext &, const QString &) { }

[[noreturn]] void disagree()
{
    std::abort();
}

void controlRoundTrip(const QByteArray &payload)
{
    PPCtrlMessage message;
    if (!PPProtocolAnalysis::readPPCtrlMessage(message, payload))
        return;
    // Only the heartbeat goes both ways.
    if (message.getPPCMType() != PPCtrlMessage::HeartBeat)
        return;
    QByteArray written;
    if (!PPProtocolAnalysis::writePPCtrlMessage(message, written))
        disagree();
    PPCtrlMessage again;
    QByteArray rewritten;
    if (!PPProtocolAnalysis::readPPCtrlMessage(again, written)
        || !PPProtocolAnalysis::writePPCtrlMessage(again, rewritten) || rewritten != written)
        disagree();
}

void courseRoundTrip(const QByteArray &payload)
{
    PPtMessage message;
    if (!PPProtocolAnalysis::readPPtMessage(message, payload))
        return;
    QByteArray written;
    if (!PPProtocolAnalysis::writePPtMessage(message, written))
        return;
    // A laser drawing goes to the pad without the sp the pad must send: such a text need not read again.
    PPtMessage again;
    if (!PPProtocolAnalysis::readPPtMessage(again, written))
        return;
    QByteArray rewritten;
    if (!PPProtocolAnalysis::writePPtMessage(again, rewritten) || rewritten != written)
        disagree();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Every refused payload logs a warning; printing them would slow the run to a crawl.
    qInstallMessageHandler(silence);
    g_runId = QStringLiteral("FUZZmach1d");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    PPProtocolAnalysis::readDataPacketType(bytes);
    if (bytes.size() < 2)
        return 0;
    controlRoundTrip(bytes);
    // The first byte picks nothing here: the rest is tried as every courseware kind.
    QByteArray course = bytes;
    course[0] = char(PPProtocolAnalysis::PPCourse);
    for (int kind = 0; kind <= 10; ++kind) {
        course[1] = char(kind);
        courseRoundTrip(course);
    }
    QByteArray control = bytes;
    control[0] = char(PPProtocolAnalysis::PPCtrl);
    for (int kind = 0; kind <= 6; ++kind) {
        control[1] = char(kind);
        controlRoundTrip(control);
    }
    return 0;
}
