#ifndef HOMEWORKSCENE_H
#define HOMEWORKSCENE_H

#include "sandbox/sandboxscene.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The school site's side of the course list: the homework page of the signed-in student with attachments to save
// (small PDF sheets the scene writes itself), a homework that has been removed (its page leads to the site's
// not-found page, as a visit with a stale sign-in does), "/404.html", and the password change of the personal
// centre, which changes the demo account's password for the next sign-in.
class HomeworkScene : public SandboxScene
{
    Q_OBJECT
public:
    struct Homework
    {
        int id = 0;
        QString title;
        QString subject;
        QString due;
        QString attachment; // the file name as the site names it; empty for none
        QString sheetText; // the line printed on the attachment
        bool removed = false;
    };

    static const QByteArray pagePath;
    static const QByteArray attachmentPath;
    static const QByteArray detailPath;
    static const QByteArray notFoundPath;
    static const QByteArray passwordPath;

    explicit HomeworkScene(ClassroomSandbox *sandbox);

    bool install() override;

    QList<Homework> homework() const { return m_homework; }
    // The homework page of a user and sign-in; empty when the sign-in is not the account's current one.
    QByteArray pageHtml(const QString &userId, const QString &loginSignId) const;
    // The attachment of a homework; empty for none.
    QByteArray attachment(int id) const;
    // The answer to a password change; changes the account's password when it is granted.
    QByteArray changePassword(
        const QString &userId, const QString &loginSignId, const QString &oldPassWord, const QString &newPassWord);

    static HomeworkScene *of(ClassroomSandbox *sandbox);

private:
    bool signedIn(const QString &userId, const QString &loginSignId) const;

    QList<Homework> m_homework;
};

#endif // HOMEWORKSCENE_H
