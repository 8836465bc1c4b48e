#include "vrek/commandlinemanager.h"

#include "vrek/utils/globalvalue.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>

namespace {

QStringList s_given;

struct HostOption
{
    const char *name;
    const char *description;
    const char *valueName;
    QString *global;
};

template<typename Process>
void parse(Process process)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

    const HostOption hostOptions[] = {
        { "host-socket-addr", "Connect to socket host address", "host", &g_socketHost },
        { "host-socket-port", "Connect to socket host port", "port", &g_socketPort },
        { "host-file-addr", "Connect to file host address", "host", &g_fileHost },
        { "host-file-port", "Connect to file host port", "port", &g_filePort },
        { "host-crash-addr", "Connect to crash host address", "host", &g_crashHost },
        { "host-crash-port", "Connect to crash host port", "port", &g_crashPort },
        { "host-http-addr", "Connect to http host address", "host", &g_webHost },
        { "host-http-port", "Connect to http port", "port", &g_webPort },
    };
    QList<QCommandLineOption> options;
    for (const HostOption &option : hostOptions)
        options.append(QCommandLineOption(option.name, option.description, option.valueName));
    const QCommandLineOption disableAutoRecord("disable-auto-record", "Disable auto record when start lesson");
    const QCommandLineOption debug("debug", "Debug Model");
    for (const QCommandLineOption &option : options)
        parser.addOption(option);
    parser.addOption(disableAutoRecord);
    parser.addOption(debug);

    process(parser);

    s_given.clear();
    for (int i = 0; i < options.size(); ++i) {
        if (parser.isSet(options.at(i))) {
            *hostOptions[i].global = parser.value(options.at(i));
            s_given.append(QString::fromLatin1(hostOptions[i].name));
        }
    }
    if (parser.isSet(disableAutoRecord))
        g_autoRecord = false;
}

} // namespace

void CommandLineManager::initial(const QCoreApplication &application)
{
    qInfo() << "";
    parse([&application](QCommandLineParser &parser) { parser.process(application); });
}

void CommandLineManager::initial(const QStringList &arguments)
{
    qInfo() << "";
    parse([&arguments](QCommandLineParser &parser) { parser.process(arguments); });
}

bool CommandLineManager::isGiven(const QString &option)
{
    return s_given.contains(option);
}
