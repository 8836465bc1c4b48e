// tavipad CODE [--wait SECONDS] [--from ADDRESS]: a pad for the lecturer's class window, built from the test fixture. CODE is the
// pairing pop-up's caption code "<number>-<port>". It logs in (the pop-up must be open; it tries again until it
// is, for up to SECONDS, 120 by default), turns a page, draws a stroke, then keeps its heartbeat and prints
// what the PC sends until the PC drops it or it is stopped. ADDRESS is the pad's own address, on a machine that has
// several.
#include "tests/support/padclient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTest>

#include <cstdio>

namespace {
constexpr int heartBeatMs = 5000;

void print(const char *what, const QByteArray &payload)
{
    const PadClient::Payload decoded = PadClient::decode(payload);
    std::printf("%s %d/%d %s\n", what, decoded.type, decoded.subtype,
        QJsonDocument(decoded.object).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument("code", "the code under the pairing QR code, <number>-<port>");
    const QCommandLineOption wait("wait", "how long to try to log in (seconds)", "seconds", "120");
    parser.addOption(wait);
    const QCommandLineOption from("from", "the address to connect from", "address");
    parser.addOption(from);
    parser.process(application);
    QString host;
    quint16 port = 0;
    if (parser.positionalArguments().size() != 1
        || !PadClient::parseCode(parser.positionalArguments().first(), host, port)) {
        std::fprintf(stderr, "tavipad: give the pairing code, <number>-<port>\n");
        return 2;
    }

    PadClient *pad = nullptr;
    QElapsedTimer clock;
    clock.start();
    const qint64 deadline = parser.value(wait).toLongLong() * 1000;
    while (clock.elapsed() < deadline) {
        pad = new PadClient(&application);
        pad->setLocalAddress(parser.value(from));
        if (pad->connectTo(host, port) && pad->login(3000))
            break;
        std::printf("not logged in yet: open the pairing code on the class window\n");
        std::fflush(stdout);
        delete pad;
        pad = nullptr;
        QTest::qWait(2000);
    }
    if (!pad) {
        std::fprintf(stderr, "tavipad: no login at %s:%u\n", qPrintable(host), port);
        return 1;
    }
    std::printf("logged in: user %s (%s), machine %s\n", qPrintable(pad->userId()), qPrintable(pad->userName()),
        qPrintable(pad->machineId()));
    std::fflush(stdout);

    QObject::connect(
        pad, &PadClient::payloadReceived, pad, [](const QByteArray &payload) { print("received", payload); });
    QObject::connect(pad, &PadClient::disconnected, &application, [] {
        std::printf("dropped by the PC\n");
        std::fflush(stdout);
        QCoreApplication::exit(1);
    });
    pad->turnPage("sandbox", 2);
    pad->drawStroke({ { 100, 100 }, { 140, 120 }, { 180, 160 }, { 220, 170 } });
    std::printf("turned to page 2 and drew a stroke\n");
    std::fflush(stdout);
    pad->startHeartBeat(heartBeatMs);
    return application.exec();
}
