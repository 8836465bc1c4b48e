#ifndef COURSEMESSAGEFORWARD_H
#define COURSEMESSAGEFORWARD_H

#include <QString>

class PPtMessage;

// Courseware and board messages to the classroom: written as classroom text and forwarded with kind "0", to the
// whole class or to one user. Each returns whether the message could be written; one that cannot is not sent.
namespace CourseMessageForward {
bool isWritable(const PPtMessage &message);
bool toClass(const PPtMessage &message);
bool toPerson(const QString &userId, const PPtMessage &message);
} // namespace CourseMessageForward

#endif // COURSEMESSAGEFORWARD_H
