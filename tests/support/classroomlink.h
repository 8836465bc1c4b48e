#ifndef CLASSROOMLINK_H
#define CLASSROOMLINK_H

#include "tests/support/fakeclassroomserver.h"
#include "vrek/utils/globalenum.h"

#include <QStringList>

class SocketClientManager;
class UserInfoManager;

// A classroom connection connected to a fake classroom server on loopback. Every line the connection sends
// is recorded the moment it is sent (without its line feed), so a test reads what a class would be told
// without waiting; the server receives the same lines. With makeGlobal the connection is the program's one
// (g_socketClientManager) for the link's life.
class ClassroomLink
{
public:
    explicit ClassroomLink(bool makeGlobal = true, GlobalEnum::UserType userType = GlobalEnum::User1);
    ~ClassroomLink();

    // Connects and waits until the connection counts as up; false on time-out.
    bool connectToServer(int timeoutMs = 5000);
    SocketClientManager *manager() const { return m_manager; }
    // The participant manager fed by the connection's user lines, made on the first call; with makeGlobal it is
    // the program's one (g_userInfoManager) for the link's life.
    UserInfoManager *users();
    FakeClassroomServer &server() { return m_server; }

    QStringList sent() const { return m_sent; }
    // The forwarded lines ("11\t...") among them.
    QStringList forwards() const;
    void clear() { m_sent.clear(); }

    ClassroomLink(const ClassroomLink &) = delete;
    ClassroomLink &operator=(const ClassroomLink &) = delete;

private:
    FakeClassroomServer m_server;
    SocketClientManager *m_manager;
    UserInfoManager *m_users = nullptr;
    bool m_global;
    QStringList m_sent;
};

#endif // CLASSROOMLINK_H
