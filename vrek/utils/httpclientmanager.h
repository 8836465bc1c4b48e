#ifndef HTTPCLIENTMANAGER_H
#define HTTPCLIENTMANAGER_H

#include "vrek/utils/httpengine.h"

#include <QHash>
#include <QObject>
#include <QString>

class HttpHash;
class QNetworkAccessManager;
class QTimer;

// The one REST client. Every call is a form-encoded POST; the reply text goes, unparsed, to the one signal that
// the request's path chooses. Each request is answered exactly once: by its reply, by an empty text when it
// failed, or by "error" when its own time-out ran out first.
class HttpClientManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int requestTimeoutMs = 30000;
    static constexpr int schoolLookupTimeoutMs = 5000;

    explicit HttpClientManager(QObject *parent = nullptr);
    ~HttpClientManager() override;

    QString baseUrl() const { return m_baseUrl; }
    // Puts back a base taken with baseUrl(): the school lookup moves the base only for its own request.
    void setBaseUrl(const QString &base) { m_baseUrl = base; }
    QString loginFlag() const { return m_loginFlag; }
    int pendingCount() const { return m_pending.size(); }
    // Tests shorten the time-outs; the product keeps 30 s and 5 s.
    void setRequestTimeouts(int requestMs, int schoolLookupMs);

    void sendAttendCourseList(const QString &lessonType, const QString &pageIndex);
    void sendGetSchoolName(const QString &doMainName);
    void sendGetVerificationCode(const QString &mobilePhone);
    void sendGetVideoUrl(const QString &videoId, const QString &userId, const QString &loginSignId);
    void sendHttpElapsed();
    void sendUserLogin(const QString &userCode, const QString &passWord, const QString &loginFlag);
    void sendModifyUserPassWord(const QString &userCode, const QString &vCode, const QString &passWord);
    void sendCourseReview(const QString &lessonType, int pageIndex);
    void sendDeleteVideo(const QString &videoId);
    void sendLessonList(const QString &id, const QString &lessonType, const QString &status, const QString &isParent,
        int pageIndex, int countIndex, const QString &sortByTimes);
    void sendModifyNewPassByOldPass(const QString &oldPassWord, const QString &newPassWord);
    void sendVerificationMobilePhone(const QString &userCode);
    void sendCheckVerificationCode(const QString &mobilePhone, const QString &verificationCode);

    void sendHttpRequest(const QString &url, const QHash<QString, QString> &params, int requestType);
    void sendHttpRequest(const QString &url, const QHash<QString, QString> &params, int requestType, int timeoutMs);

signals:
    void signalStartRequest();
    void signalReviewCourseProtocol(const QString &body);
    void signalReviewLessonProtocol(const QString &body);
    void signalReviewDeleteProtocol(const QString &body);
    void signalExportTable(const QString &body);
    void signalGetVideoList(const QString &body);
    void signalGetProvider(const QString &body);
    void signalLoginResult(const QString &body, const QString &loginFlag);
    void signalCourseList(const QString &body);
    void signalHttpElapsed(const QString &body);
    void signalGetPersonalData(const QString &body);
    void signalSavePersonalData(const QString &body);
    void signalVerificationMobile(const QString &body);
    void signalVerification(const QString &body);
    void signalVerificationResult(const QString &body);
    void signalModifyUserPassWord(const QString &body);

public slots:
    void setDnsUrl(const QString &domain);
    void slotConnectTimeoutIn();
    void sendDataExportRequest(int exportType, const QString &fields);
    void recvHttpRequest(
        const QString &requestId, const QString &url, HttpEngine::RequestStatus status, const QString &body);

private:
    struct PendingRequest
    {
        QString url;
        QString loginFlag; // the tag of a login, so that its answer carries its own
        QTimer *timer = nullptr;
    };

    void route(const QString &url, const QString &body, const QString &loginFlag);

    QNetworkAccessManager *m_manager = nullptr;
    HttpHash *m_httpHash = nullptr;
    QString m_baseUrl;
    QString m_loginFlag = "0";
    QHash<QString, PendingRequest> m_pending;
    QString m_lastRequestId;
    // The course list last asked for: the answer to an earlier one would show a stale page after the fresh one,
    // as answers need not come in the order of their requests.
    QString m_courseListRequestId;
    QString m_lastRequestUrl;
    int m_requestTimeoutMs = requestTimeoutMs;
    int m_schoolLookupTimeoutMs = schoolLookupTimeoutMs;
};

// The one shared REST client, created by the application controller.
extern HttpClientManager *g_httpClientManager;

#endif // HTTPCLIENTMANAGER_H
