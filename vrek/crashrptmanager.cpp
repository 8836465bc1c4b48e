#include "vrek/crashrptmanager.h"

#include "platform/crashreport/crashhandler.h"
#include "vrek/utils/globalvalue.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cstring>

namespace {
// Built once at installation: the callback must not format text inside the signal handler.
char s_criticalLine[160];
} // namespace

CrashRptManager::CrashRptManager()
{
    qInfo() << "";
    install();
}

CrashRptManager::~CrashRptManager()
{
    qInfo() << "";
    delete m_uploader;
}

QString CrashRptManager::uploadUrl()
{
    return QString("http://%1:%2/crashfix/index.php/crashReport/uploadExternal").arg(g_crashHost, g_crashPort);
}

QString CrashRptManager::reportRoot()
{
    return QDir::currentPath() + "/crashreports";
}

void CrashRptManager::install()
{
    const QString url = uploadUrl();
    qDebug() << QCoreApplication::applicationName() << QCoreApplication::applicationVersion();

    CrashHandler::Settings settings;
    settings.reportRoot = reportRoot();
    settings.appName = QCoreApplication::applicationName();
    settings.appVersion = QCoreApplication::applicationVersion();
    settings.logFile = g_logFileName;
    // The reports of earlier runs are listed before this run can add its own.
    const QStringList pending = CrashReportUploader::pendingReports(settings.reportRoot);

    if (!CrashHandler::install(settings))
        qWarning() << "crashRptInitial crInstall nInstResult != 0 error: " << CrashHandler::lastError();
    if (!CrashHandler::addFile(g_logFileName))
        qWarning() << "crashRptInitial crAddFile2 nInstResult != 0 error: " << CrashHandler::lastError();
    // No screenshot: a picture of the screen cannot be taken safely from inside a crashing process here.
    if (!CrashHandler::setCallback(CrashCallback))
        qWarning() << CrashHandler::lastError();

    if (!pending.isEmpty()) {
        m_uploader = new CrashReportUploader(settings.reportRoot, url);
        m_uploader->start();
    }
}

int CrashCallback(int signalNumber)
{
    // The log's own handler takes a mutex the crashed thread may hold: write the line directly instead.
    char number[16];
    int position = sizeof(number) - 1;
    number[position] = '\0';
    unsigned int value = unsigned(signalNumber);
    do {
        number[--position] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && position > 0);
    s_criticalLine[0] = '\0';
    std::strncat(s_criticalLine, "CRITICAL: - CrashCallback exeType: ", sizeof(s_criticalLine) - 1);
    std::strncat(s_criticalLine, number + position, sizeof(s_criticalLine) - std::strlen(s_criticalLine) - 1);
    CrashHandler::writeLogLine(s_criticalLine);

    bool ok = CrashHandler::addProperty("userId", g_userId);
    ok = CrashHandler::addProperty("userName", g_userName) && ok;
    ok = CrashHandler::addProperty("classId", g_classId) && ok;
    ok = CrashHandler::addProperty("className", g_lessonName) && ok;
    if (!ok)
        CrashHandler::writeLogLine("WARNING: - CrashCallback CrashCallback crAddProperty nInstResult != 0 error: ");
    return 1;
}

CrashReportUploader::CrashReportUploader(const QString &root, const QString &url, QObject *parent)
    : QObject(parent)
    , m_root(root)
    , m_url(url)
{ }

QStringList CrashReportUploader::pendingReports(const QString &root)
{
    QDir dir(root);
    QStringList reports;
    const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &folder : folders) {
        if (QFile::exists(dir.filePath(folder + "/complete")))
            reports.append(dir.filePath(folder));
        else if (QFileInfo(dir.filePath(folder)).lastModified().secsTo(QDateTime::currentDateTime()) > 3600)
            QDir(dir.filePath(folder)).removeRecursively(); // a report cut short long ago
    }
    // A machine that crashes at every start must not fill its disk with reports.
    while (reports.size() > maxPending)
        QDir(reports.takeFirst()).removeRecursively();
    return reports;
}

void CrashReportUploader::start()
{
    m_queue = pendingReports(m_root);
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    sendNext();
}

void CrashReportUploader::sendNext()
{
    if (m_queue.isEmpty()) {
        emit finished(m_sent, m_failed);
        return;
    }
    const QString folder = m_queue.takeFirst();
    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    auto addField = [multiPart](const QByteArray &name, const QByteArray &value) {
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader, "form-data; name=\"" + name + "\"");
        part.setBody(value);
        multiPart->append(part);
    };
    addField("appname", QCoreApplication::applicationName().toUtf8());
    addField("appversion", QCoreApplication::applicationVersion().toUtf8());
    addField("crashguid", QFileInfo(folder).fileName().toUtf8());
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.fileName() == "complete")
            continue;
        QFile source(file.absoluteFilePath());
        if (!source.open(QIODevice::ReadOnly))
            continue;
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
            "form-data; name=\"crashrpt\"; filename=\"" + file.fileName().toUtf8() + "\"");
        part.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
        part.setBody(source.readAll());
        multiPart->append(part);
    }
    QNetworkRequest request { QUrl(m_url) };
    request.setTransferTimeout(30000);
    QNetworkReply *reply = m_network->post(request, multiPart);
    multiPart->setParent(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, folder] { onReplyFinished(reply, folder); });
}

void CrashReportUploader::onReplyFinished(QNetworkReply *reply, const QString &folder)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status == 200) {
        QDir(folder).removeRecursively();
        ++m_sent;
    } else {
        qWarning() << "the crash report was not sent:" << folder << reply->errorString();
        ++m_failed;
    }
    reply->deleteLater();
    sendNext();
}
