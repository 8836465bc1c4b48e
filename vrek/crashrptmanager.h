#ifndef CRASHRPTMANAGER_H
#define CRASHRPTMANAGER_H

#include <QObject>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;

// Installs crash reporting for this run and sends the reports earlier runs left behind.
class CrashRptManager
{
public:
    CrashRptManager();
    virtual ~CrashRptManager();

    void install();

    static QString uploadUrl(); // from g_crashHost and g_crashPort
    static QString reportRoot(); // "crashreports" in the working directory

private:
    class CrashReportUploader *m_uploader = nullptr;
};

// Sends every complete report folder under a root to the crash server, one after the other; a folder is
// removed once the server has taken it (HTTP 200), and kept for the next start otherwise.
class CrashReportUploader : public QObject
{
    Q_OBJECT
public:
    CrashReportUploader(const QString &root, const QString &url, QObject *parent = nullptr);

    // Reports waiting in the root, oldest first; the oldest beyond maxPending are removed.
    static QStringList pendingReports(const QString &root);
    static constexpr int maxPending = 10;

    void start();

signals:
    void finished(int sent, int failed);

private:
    void sendNext();
    void onReplyFinished(QNetworkReply *reply, const QString &folder);

    QString m_root;
    QString m_url;
    QStringList m_queue;
    QNetworkAccessManager *m_network = nullptr;
    int m_sent = 0;
    int m_failed = 0;
};

int CrashCallback(int signalNumber);

#endif // CRASHRPTMANAGER_H
