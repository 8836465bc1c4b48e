#ifndef STREAMMEDIAFORWARD_H
#define STREAMMEDIAFORWARD_H

#include <QString>

class StreamMediaMessage;

namespace StreamMediaForward {
// Writes a stream command and forwards it (forward type "0") through the classroom connection: to one user, or
// to the whole class when toUserId is empty. False when it cannot be written or there is no connection.
bool send(const StreamMediaMessage &message, const QString &toUserId);
} // namespace StreamMediaForward

#endif // STREAMMEDIAFORWARD_H
