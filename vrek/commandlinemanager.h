#ifndef COMMANDLINEMANAGER_H
#define COMMANDLINEMANAGER_H

#include <QStringList>

class QCoreApplication;

// Reads the server addresses from the command line into the global session state.
class CommandLineManager
{
public:
    static void initial(const QCoreApplication &application);
    // The same over an explicit argument list (the first entry is the program name).
    static void initial(const QStringList &arguments);
    // Whether the last reading found this option (its long name) on the command line.
    static bool isGiven(const QString &option);
};

#endif // COMMANDLINEMANAGER_H
