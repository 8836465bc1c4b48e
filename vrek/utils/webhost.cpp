#include "vrek/utils/webhost.h"

#include "vrek/utils/globalvalue.h"

namespace {
constexpr uint defaultHttpPort = 80;
} // namespace

QString WebHost::baseUrl()
{
    const QString port = g_webPort.trimmed();
    bool ok = false;
    const uint number = port.toUInt(&ok);
    if (port.isEmpty() || (ok && number == defaultHttpPort))
        return QStringLiteral("http://%1").arg(g_webHost);
    return QStringLiteral("http://%1:%2").arg(g_webHost, port);
}
