#include "sandbox/homeworkscene.h"

#include "sandbox/classroomsandbox.h"
#include "tests/support/fakehttpserver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <cstdio>

const QByteArray HomeworkScene::pagePath = "/homework/pc_s_course_list.html";
const QByteArray HomeworkScene::attachmentPath = "/homework/attachment";
const QByteArray HomeworkScene::detailPath = "/homework/detail.html";
const QByteArray HomeworkScene::notFoundPath = "/404.html";
const QByteArray HomeworkScene::passwordPath = "/mobile/httpModifyNewPassByOldPass";

namespace {
const char *const pageStyle = "body{font-family:sans-serif;background:#f8f8fd;color:#333;margin:24px;}"
                              "h1{font-size:22px;font-weight:normal;}"
                              "table{border-collapse:collapse;width:100%;background:#fff;}"
                              "th,td{border-bottom:1px solid #dfe4e9;padding:10px;text-align:left;font-size:14px;}"
                              "th{background:#ebeff8;}a{color:#0081ff;text-decoration:none;}";

FakeHttpServer::Reply html(const QByteArray &body, int status = 200)
{
    FakeHttpServer::Reply reply;
    reply.status = status;
    reply.body = body;
    reply.contentType = "text/html;charset=UTF-8";
    return reply;
}

FakeHttpServer::Reply notFoundRedirect()
{
    FakeHttpServer::Reply reply;
    reply.status = 302;
    reply.contentType = "text/html";
    reply.headers.append(qMakePair(QByteArray("Location"), HomeworkScene::notFoundPath));
    return reply;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// A one-page PDF with a line of text in Helvetica.
QByteArray pdfSheet(const QString &line)
{
    QString text = line;
    text.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
    const QByteArray stream = "BT /F1 20 Tf 72 760 Td (" + text.toLatin1()
        + ") Tj ET\n"
          "BT /F1 12 Tf 72 730 Td (TaviStudent sandbox homework) Tj ET\n";
    const QList<QByteArray> objects {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> "
        ">>",
        "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<int> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const int xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        pdf += QString("%1 00000 n \n").arg(offset, 10, 10, QChar('0')).toLatin1();
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

QByteArray changeReply(const QString &loginStatus, const QString &result)
{
    return QJsonDocument(QJsonObject { { "loginStatus", loginStatus }, { "requestStatus", "success" },
                             { "requestBody", QJsonObject { { "result", result } } } })
        .toJson(QJsonDocument::Compact);
}
} // namespace

HomeworkScene::HomeworkScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{
    m_homework.append({ 1, QString::fromUtf8("分数的初步认识 练习一"), QString::fromUtf8("数学"), "2026-03-06",
        "fractions_worksheet_1.pdf", "Fractions - worksheet 1" });
    m_homework.append({ 2, QString::fromUtf8("英语口语 朗读要求"), QString::fromUtf8("英语"), "2026-03-09",
        "speaking_guide.pdf", "Speaking practice - reading guide" });
    m_homework.append({ 3, QString::fromUtf8("古诗词背诵（已撤回）"), QString::fromUtf8("语文"), "2026-03-02",
        QString(), QString(), true });
}

HomeworkScene *HomeworkScene::of(ClassroomSandbox *sandbox)
{
    return sandbox ? sandbox->findChild<HomeworkScene *>() : nullptr;
}

bool HomeworkScene::install()
{
    FakeHttpServer *http = sandbox()->http();
    http->setHandler(pagePath, [this](const FakeHttpServer::Request &request) {
        const QByteArray page = pageHtml(request.form.value("userId"), request.form.value("loginSignId"));
        return page.isEmpty() ? notFoundRedirect() : html(page);
    });
    http->setHandler(attachmentPath, [this](const FakeHttpServer::Request &request) {
        const QByteArray file = attachment(request.form.value("fileId").toInt());
        if (file.isEmpty())
            return html("<html><body>no such file</body></html>", 404);
        FakeHttpServer::Reply reply;
        reply.body = file;
        reply.contentType = "application/pdf";
        reply.headers.append(qMakePair(QByteArray("Content-Disposition"), QByteArray("attachment")));
        return reply;
    });
    http->setHandler(detailPath, [this](const FakeHttpServer::Request &request) {
        const int id = request.form.value("id").toInt();
        for (const Homework &work : qAsConst(m_homework)) {
            if (work.id == id && !work.removed) {
                return html("<html><head><meta charset=\"utf-8\"><style>" + QByteArray(pageStyle)
                    + "</style></head><body><h1>" + escaped(work.title).toUtf8() + "</h1><p>"
                    + QString::fromUtf8("请在 %1 前完成。").arg(work.due).toUtf8()
                    + "</p><p><a href=\"javascript:history.back()\">" + QString::fromUtf8("返回").toUtf8()
                    + "</a></p></body></html>");
            }
        }
        return notFoundRedirect();
    });
    http->setHandler(notFoundPath, [](const FakeHttpServer::Request &) {
        return html("<html><head><meta charset=\"utf-8\"></head><body><h1>404</h1></body></html>", 404);
    });
    http->setHandler(passwordPath, [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = changePassword(request.form.value("userId"), request.form.value("loginSignId"),
            request.form.value("oldPassWord"), request.form.value("newPassWord"));
        return reply;
    });
    return true;
}

bool HomeworkScene::signedIn(const QString &userId, const QString &loginSignId) const
{
    return !userId.isEmpty() && !sandbox()->accountById(userId).userId.isEmpty()
        && loginSignId == ClassroomSandbox::loginSignIdOf(userId);
}

QByteArray HomeworkScene::pageHtml(const QString &userId, const QString &loginSignId) const
{
    if (!signedIn(userId, loginSignId))
        return QByteArray();
    const ClassroomSandbox::Account account = sandbox()->accountById(userId);
    QString rows;
    for (const Homework &work : m_homework) {
        const QString title = QString("<a href=\"%1?id=%2\">%3</a>")
                                  .arg(QString::fromLatin1(detailPath))
                                  .arg(work.id)
                                  .arg(escaped(work.title));
        QString file = QString::fromUtf8("无");
        if (!work.attachment.isEmpty()) {
            const QString link = QString("%1?fileId=%2&downLoadOssFile=%3")
                                     .arg(QString::fromLatin1(attachmentPath))
                                     .arg(work.id)
                                     .arg(QString::fromLatin1(QUrl::toPercentEncoding(work.attachment)));
            file = QString("<a href=\"%1\">%2</a>").arg(escaped(link), escaped(work.attachment));
        }
        rows += QString("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(escaped(work.subject), title, escaped(work.due), file);
    }
    const QString page
        = QString::fromUtf8("<html><head><meta charset=\"utf-8\"><title>我的作业</title><style>%1</style>"
                            "</head><body><h1>%2的作业</h1><table><tr><th>科目</th><th>作业</th>"
                            "<th>截止日期</th><th>附件</th></tr>%3</table></body></html>")
              .arg(QString::fromLatin1(pageStyle), escaped(account.userName), rows);
    return page.toUtf8();
}

QByteArray HomeworkScene::attachment(int id) const
{
    for (const Homework &work : m_homework) {
        if (work.id == id && !work.attachment.isEmpty() && !work.removed)
            return pdfSheet(work.sheetText);
    }
    return QByteArray();
}

QByteArray HomeworkScene::changePassword(
    const QString &userId, const QString &loginSignId, const QString &oldPassWord, const QString &newPassWord)
{
    if (!signedIn(userId, loginSignId))
        return changeReply("1", "0");
    const ClassroomSandbox::Account account = sandbox()->accountById(userId);
    const bool wellFormed = QRegularExpression("^[0-9A-Za-z]{6,16}$").match(newPassWord).hasMatch();
    if (account.password != oldPassWord || !wellFormed || newPassWord == oldPassWord)
        return changeReply("0", "0");
    sandbox()->setPassword(userId, newPassWord);
    std::fprintf(stderr, "password of %s changed to %s\n", qPrintable(account.userCode), qPrintable(newPassWord));
    return changeReply("0", "1");
}
