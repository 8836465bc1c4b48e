// Feeds arbitrary bytes to every reader of the classroom text protocol. A text that reads is written back,
// and what the writer produces must read again and write to the same text.
#include "vrek/message/tsprotocolanalysis.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void silence(QtMsgType, const QMessageLogContext &, const QString &) { }

[[noreturn]] void disagree()
{
    std::abort();
}

template<typename Record, typename Read, typename Write>
void roundTrip(const QString &text, Read read, Write write)
{
    Record record;
    if (!read(text, record))
        return;
    QString written;
    if (!write(record, written))
        return;
    Record again;
    QString rewritten;
    if (!read(written, again) || !write(again, rewritten) || rewritten != written)
        disagree();
}

void readEverything(const QString &text)
{
    TSProtocolAnalysis::readDataPacketType(text);
    roundTrip<PPtMessage>(text, TSProtocolAnalysis::readPPtMessage, TSProtocolAnalysis::sendPPtMessage);
    roundTrip<ChatMessage>(text, TSProtocolAnalysis::readChatMessage, TSProtocolAnalysis::sendChatMessage);
    roundTrip<CtrlMessage>(text, TSProtocolAnalysis::readCtrlMessage, TSProtocolAnalysis::sendCtrlMessage);
    roundTrip<StreamMediaMessage>(
        text, TSProtocolAnalysis::readStreamMediaMessage, TSProtocolAnalysis::sendStreamMediaMessage);
    roundTrip<DeviceMessage>(text, TSProtocolAnalysis::readDeviceMessage, TSProtocolAnalysis::sendDeviceMessage);
    roundTrip<VideoCourseMessage>(
        text, TSProtocolAnalysis::readVideoCourseMessage, TSProtocolAnalysis::sendVideoCourseMessage);
    roundTrip<DrawSignal>(text, TSProtocolAnalysis::toDrawSignal, TSProtocolAnalysis::fromDrawSignal);
    roundTrip<DrawControl>(text, TSProtocolAnalysis::toDrawControl, TSProtocolAnalysis::fromDrawControl);
    roundTrip<QPoint>(text, TSProtocolAnalysis::toPoint, TSProtocolAnalysis::fromPoint);
    for (quint32 kind = 0; kind <= 10; ++kind) {
        PPtMessage message { PPtMessage::PPMType(kind) };
        TSProtocolAnalysis::toPPtMessage(text, message);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Every refused text logs a warning; printing them would slow the run to a crawl.
    qInstallMessageHandler(silence);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    readEverything(QString::fromUtf8(bytes, int(size)));
    return 0;
}
