#ifndef PULLTABLEFIXTURE_H
#define PULLTABLEFIXTURE_H

#include "vrek/container/pulluserinfohash.h"
#include "vrek/model/pulluserinfo.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

// A pull-user table written as short texts, for the policy and manager tests. A user is written
// "id[=from.pull.show][>successor][<replaced]": from, pull and show are the pull origin, pull stream state and
// show state; ">" the user taking over his place, "<" the user whose place he takes. A leading "-" gives him
// no push stream id; otherwise his push stream id is "ps" followed by his id.
struct PullTableFixture
{
    PullUserInfoHash table;

    PullUserInfo *add(const QString &text)
    {
        static const QRegularExpression pattern(R"(^(-?)(\w+)(?:=(\d)\.(\d)\.(\d))?(?:>(\w+))?(?:<(\w+))?$)");
        const QRegularExpressionMatch match = pattern.match(text);
        if (!match.hasMatch())
            return nullptr;
        auto *info = new PullUserInfo(match.captured(2));
        if (match.captured(1).isEmpty())
            info->setPushStreamId("ps" + match.captured(2));
        if (!match.captured(3).isEmpty()) {
            info->setPullFromType(match.captured(3).toInt());
            info->setPullStreamState(match.captured(4).toInt());
            info->setPullShowState(match.captured(5).toInt());
        }
        info->setReplacedBy(match.captured(6));
        info->setReplacing(match.captured(7));
        table.insertObject(info);
        return info;
    }

    PullUserInfo *user(const QString &id) const
    {
        PullUserInfo *info = nullptr;
        table.selectObject(id, &info, false);
        return info;
    }

    // "id=from.pull.show" with ">" and "<" as above, and "+audio" when his sound is on.
    QString describe(const QString &id) const
    {
        const PullUserInfo *info = user(id);
        if (!info)
            return id + "?";
        QString text = QString("%1=%2.%3.%4")
                           .arg(id)
                           .arg(info->getPullFromType())
                           .arg(info->getPullStreamState())
                           .arg(info->getPullShowState());
        if (!info->getReplacedBy().isEmpty())
            text += ">" + info->getReplacedBy();
        if (!info->getReplacing().isEmpty())
            text += "<" + info->getReplacing();
        if (info->getPlayAudio())
            text += "+audio";
        return text;
    }

    // Every user who is not plainly idle, by id.
    QStringList busy() const
    {
        QStringList ids;
        for (const PullUserInfo *info : table.values()) {
            if (!info->isIdle() || info->getPullFromType() != 0 || !info->getReplacedBy().isEmpty()
                || !info->getReplacing().isEmpty() || info->getPlayAudio())
                ids << info->getUserId();
        }
        std::sort(ids.begin(), ids.end());
        QStringList texts;
        for (const QString &id : ids)
            texts << describe(id);
        return texts;
    }
};

#endif // PULLTABLEFIXTURE_H
