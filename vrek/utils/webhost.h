#ifndef WEBHOST_H
#define WEBHOST_H

#include <QString>

// Addresses on the school's web host (the "host-http-addr" server) that name no port of their own.
namespace WebHost {
// "http://<web host>", followed by ":<web port>" only when that port is not 80, so that a service on another
// port (the local sandbox, tests) is reached while the usual address stays as it always was.
QString baseUrl();
} // namespace WebHost

#endif // WEBHOST_H
