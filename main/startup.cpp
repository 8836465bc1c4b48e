#include "main/startup.h"

#include "vrek/logfilemanager.h"
#include "vrek/media/pull/pullaudiostream.h"
#include "vrek/media/pull/pullstreamengine.h"
#include "vrek/media/pull/pullvideostream.h"
#include "vrek/media/push/pushaudiostream.h"
#include "vrek/media/push/pushstreamengine.h"
#include "vrek/media/push/pushvideostream.h"
#include "vrek/networktimes/cnetwork.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpengine.h"
#include "vrek/utils/stringutil.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <cstdio>

namespace {
constexpr unsigned int machineIdLength = 10;
} // namespace

double Startup::scaleForDpi(double dpi)
{
    // Rounded so that a ratio of exactly 1.1 (105.6 dpi) is not taken for 1.0999999.
    const double ratio = std::round(dpi / 96.0 * 1e6) / 1e6;
    if (ratio < 1.1)
        return 1.0;
    if (ratio < 1.4)
        return 1.25;
    if (ratio < 1.6)
        return 1.5;
    if (ratio < 1.8)
        return 1.75;
    return 2.0;
}

double Startup::getScale()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return 1.0;
    return scaleForDpi(screens.first()->logicalDotsPerInch());
}

bool Startup::clockOutOfStep(const QDateTime &network, const QDateTime &local, qint64 limitSeconds)
{
    if (!network.isValid())
        return false;
    return local.addSecs(limitSeconds) < network || network < local.addSecs(-limitSeconds);
}

void Startup::globalValueInitial()
{
    g_userType = testUserType();
    // The machine id a pad learns when it pairs; new for every run.
    g_runId = StringUtil::randomString(machineIdLength, QString::fromLatin1(GlobalDefault::idAlphabet));
    QCoreApplication::setApplicationName("TaviStudent");
    QCoreApplication::setApplicationVersion("2.1.0");
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
}

int Startup::testUserType()
{
    // Every release runs on the student's side; the sandbox's lecturer account needs the lecturer's side.
    if (qEnvironmentVariable("TAVI_TEST_USER_TYPE") == QLatin1String("0"))
        return 0;
    return 1;
}

void Startup::metaTypeInitial()
{
    qRegisterMetaType<HttpEngine::RequestStatus>("HttpEngine::RequestStatus");
    qRegisterMetaType<PushAudioStream::AudioInitialType>("PushAudioStream::AudioInitialType");
    qRegisterMetaType<PushVideoStream::VideoInitialType>("PushVideoStream::VideoInitialType");
    qRegisterMetaType<PushAudioStream::AudioEncodeType>("PushAudioStream::AudioEncodeType");
    qRegisterMetaType<PushVideoStream::VideoEncodeType>("PushVideoStream::VideoEncodeType");
    qRegisterMetaType<PushStreamEngine::PushStreamType>("PushStreamEngine::PushStreamType");
    qRegisterMetaType<PullStreamEngine::PullStreamType>("PullStreamEngine::PullStreamType");
    qRegisterMetaType<PullAudioStream::AudioInitialType>("PullAudioStream::AudioInitialType");
    qRegisterMetaType<PullVideoStream::VideoInitialType>("PullVideoStream::VideoInitialType");
    qRegisterMetaType<PullAudioStream::AudioDecodeType>("PullAudioStream::AudioDecodeType");
    qRegisterMetaType<PullVideoStream::VideoDecodeType>("PullVideoStream::VideoDecodeType");
    qRegisterMetaType<qintptr>("qintptr");
}

bool Startup::onlyHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-h" || argument == "--help" || argument == "-help" || argument == "-?" || argument == "-v"
            || argument == "--version" || argument == "-version")
            return true;
    }
    return false;
}

void Startup::acceptMessageBoxesForTests()
{
    if (qEnvironmentVariableIsEmpty("TAVI_TEST_ACCEPT_MESSAGE_BOXES"))
        return;
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "message box: %s\n", box->text().toUtf8().constData());
            std::fflush(stderr);
            box->accept();
        }
    });
    timer->start(50);
}

void Startup::installTranslations(QCoreApplication &application)
{
    for (const char *catalogue : { ":/otherres/widgets.qm", ":/otherres/qt_zh_CN.qm" }) {
        auto *translator = new QTranslator(&application);
        if (translator->load(QLatin1String(catalogue)))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

void Startup::rasterWindowsOnly()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

NetworkTimeCheck::NetworkTimeCheck(const CNetwork &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_stop(std::make_shared<std::atomic<bool>>(false))
{ }

NetworkTimeCheck::~NetworkTimeCheck()
{
    stop();
}

void NetworkTimeCheck::stop()
{
    m_stop->store(true);
}

void NetworkTimeCheck::start()
{
    QPointer<NetworkTimeCheck> self(this);
    CNetwork network = m_network;
    const std::shared_ptr<std::atomic<bool>> stop = m_stop;
    QtConcurrent::run([self, network, stop]() mutable {
        const QDateTime answer = network.verifyTime(stop.get());
        const QDateTime local = QDateTime::currentDateTime();
        if (stop->load())
            return;
        // The check may have been destroyed meanwhile: only the GUI thread looks at it.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, answer, local] {
            if (self)
                emit self->finished(answer, local);
        });
    });
}
