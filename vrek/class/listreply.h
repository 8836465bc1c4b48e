#ifndef LISTREPLY_H
#define LISTREPLY_H

#include "vrek/utils/stringutil.h"

#include <QString>

// How a list page reads a REST reply: first as a list of rows, then as a text wrapper. An expired session is a
// list whose login status is not "0", or a text whose login status is "1".
class ListReply
{
public:
    enum Kind {
        Rows, // rows to show
        Expired, // the session has expired: a relogin is due
        Refused, // a text wrapper that is no list: the service said no
        Malformed, // JSON of another shape: the server's error, told by the error footer
        Unreadable, // no JSON at all (no reply, or the time-out's "error"): the network tip is due
    };

    static ListReply read(const QString &reply);

    Kind kind = Unreadable;
    bool isList = false; // the reply was a list (of rows, or with an expired session)
    JsonRows rows;
    QString loginStatus;
    QString body;
};

#endif // LISTREPLY_H
