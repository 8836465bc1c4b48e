#ifndef PULSEAUDIOSERVER_H
#define PULSEAUDIOSERVER_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class ChildProcess;
class PulseServerAddress;

// A PulseAudio server of the test's own, with a null sink as the speaker and a sine source as the microphone,
// run from a temporary folder (its runtime folder, home and socket) for the life of the object and stopped by
// its process id. Clients of this process reach it once useEnvironment() has pointed PULSE_SERVER at it (do
// that before anything opens the sound system: Qt Multimedia keeps its first server for good).
class PulseAudioServer
{
public:
    struct Options
    {
        QString sinkName = "tavi_speaker";
        QString sinkDescription = "Tavi Test Speaker";
        QString sourceName = "tavi_microphone";
        QString sourceDescription = "Tavi Test Microphone";
        int toneHz = 440;
        // Without it the only source is the sink's monitor, as on a machine without a microphone.
        bool microphone = true;
    };

    PulseAudioServer();
    explicit PulseAudioServer(const Options &options);
    ~PulseAudioServer();

    // Returns once the server takes clients; false when the program is missing or did not get there in time.
    bool start(int timeoutMs = 10000);
    void stop();
    bool isRunning() const;
    // SIGSTOP / SIGCONT: the server hangs as a stuck one would (it still accepts connections) and goes on.
    bool pause();
    bool resume();

    const Options &options() const { return m_options; }
    // "unix:<folder>/native"
    QString address() const;
    // Sets PULSE_SERVER to this server in this process; the destructor puts back the value before.
    void useEnvironment();
    QString log() const;

    PulseAudioServer(const PulseAudioServer &) = delete;
    PulseAudioServer &operator=(const PulseAudioServer &) = delete;

private:
    bool waitUntilAnswering(int timeoutMs) const;

    Options m_options;
    QTemporaryDir m_dir;
    ChildProcess *m_process;
    std::unique_ptr<PulseServerAddress> m_address;
};

// Points PULSE_SERVER at another address (another server, a listener that never answers, nothing at all) for the
// life of the object.
class PulseServerAddress
{
public:
    explicit PulseServerAddress(const QString &address);
    ~PulseServerAddress();

    PulseServerAddress(const PulseServerAddress &) = delete;
    PulseServerAddress &operator=(const PulseServerAddress &) = delete;

private:
    QByteArray m_previous;
};

#endif // PULSEAUDIOSERVER_H
