#ifndef STARTUP_H
#define STARTUP_H

#include "vrek/networktimes/cnetwork.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QObject>

#include <atomic>
#include <memory>

// The steps of the client's start-up that can be named and tested on their own.
namespace Startup {
// The interface scale for a screen's logical dots per inch.
double scaleForDpi(double dpi);
// The scale of the first screen, 1.0 without a screen.
double getScale();
// True when the two clocks differ by more than the limit; a missing network time is no difference.
bool clockOutOfStep(const QDateTime &network, const QDateTime &local, qint64 limitSeconds = 1800);
// Sets the student's side (user type 1), or the lecturer's (0) under TAVI_TEST_USER_TYPE=0, and draws the
// run's machine id.
void globalValueInitial();
int testUserType();
void metaTypeInitial();
// Whether the arguments only ask for the help or version text (answered without a display).
bool onlyHelpOrVersion(int argc, char *argv[]);
// With TAVI_TEST_ACCEPT_MESSAGE_BOXES set, every modal message box is written to standard error and accepted,
// so a test can run the program unattended.
void acceptMessageBoxesForTests();
// Installs the client's own texts (":/otherres/widgets.qm") and Qt's Chinese texts (":/otherres/qt_zh_CN.qm")
// for the application's lifetime; a catalogue that does not load is left out.
void installTranslations(QCoreApplication &application);
// Every window is drawn by the raster engine: on X11, Qt's OpenGL layer is not loaded for it (on a desktop that
// is the GPU driver, up to a few hundred milliseconds before the first window). QT_XCB_GL_INTEGRATION given in
// the environment wins.
void rasterWindowsOnly();
} // namespace Startup

// Asks for network time off the GUI thread (it can take half a minute on a network that drops NTP) and
// reports the answer on the thread that started it. Going, it stops the asking at once: a program that quits
// must not wait for time servers.
class NetworkTimeCheck : public QObject
{
    Q_OBJECT
public:
    explicit NetworkTimeCheck(const CNetwork &network = g_cNetwork, QObject *parent = nullptr);
    ~NetworkTimeCheck() override;
    void start();
    void stop();

signals:
    // The network time (null when no server answered) and the local time of the answer.
    void finished(const QDateTime &network, const QDateTime &local);

private:
    CNetwork m_network;
    std::shared_ptr<std::atomic<bool>> m_stop;
};

#endif // STARTUP_H
