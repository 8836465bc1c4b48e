#ifndef DISKROOM_H
#define DISKROOM_H

#include <QString>

// The room left on the disk that holds the received files, as a failed write is judged and as the user is told.
namespace DiskRoom {
// Where received files go.
QString dataFolder();
// Bytes free to this user on the disk that holds the path (the nearest existing folder of it); -1 when unknown.
qint64 freeBytes(const QString &path = dataFolder());
// Whether a write that failed with this errno met the end of the room it may fill: the disk or a quota is full,
// or the process may write no larger file.
bool isNoRoomError(int error);
// "888 KB", "2.5 MB".
QString sizeText(qint64 bytes);
// What the user is told of a file that did not fit, with the room that is left.
QString noRoomText(qint64 freeBytes);
// What the user is told of an upload whose resume point the full disk would not keep.
QString noRoomForUploadText(qint64 freeBytes);
// Below this much room a client that starts cannot keep what a lesson writes (its log, settings, received files).
constexpr qint64 lowRoomBytes = 1024 * 1024;
// What the user is told at start when the disk is full or nearly so, and the client starts all the same.
QString lowRoomAtStartText(qint64 freeBytes);
// What the user is told when the database could not be made for want of room, and the client ends.
QString noRoomForDatabaseText(qint64 freeBytes);
} // namespace DiskRoom

#endif // DISKROOM_H
