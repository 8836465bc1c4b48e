// tavisandbox [--http-port N] [--classroom-port N] [--file-port N] [--data-dir FOLDER] [--cache-dir FOLDER]:
// serves a school's service on loopback until stopped, and prints on its first line where, the demo student to sign
// in with and the lecturer's account (which the client signs in with on the lecturer's side, under
// TAVI_TEST_USER_TYPE=0). Given the client's data folder, it leaves a screen recording of the lecturer there,
// waiting for upload; given a cache folder, it makes that recording and its video clips only once.
#include "platform/termination/terminationwatcher.h"
#include "sandbox/classroomsandbox.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // Stopped by its process id, it still stops its nginx and ffmpeg and removes its temporary folders.
    TerminationWatcher terminationWatcher;
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption httpPort("http-port", "REST port (0: any free port)", "port", "0");
    const QCommandLineOption classroomPort("classroom-port", "classroom server port (0: any free port)", "port", "0");
    const QCommandLineOption filePort("file-port", "file server port (0: any free port)", "port", "0");
    const QCommandLineOption dataDir(
        "data-dir", "the client's data folder, where a recording waiting for upload is left", "folder");
    parser.addOption(httpPort);
    parser.addOption(classroomPort);
    const QCommandLineOption cacheDir(
        "cache-dir", "where what takes long to make is kept from one run to the next", "folder");
    parser.addOption(filePort);
    parser.addOption(dataDir);
    parser.addOption(cacheDir);
    parser.process(application);

    ClassroomSandbox sandbox;
    sandbox.setDataDir(parser.value(dataDir));
    sandbox.setCacheDir(parser.value(cacheDir));
    sandbox.setFilePort(quint16(parser.value(filePort).toUInt()));
    if (!sandbox.start(quint16(parser.value(httpPort).toUInt()), quint16(parser.value(classroomPort).toUInt()))) {
        std::fprintf(stderr, "tavisandbox: the ports cannot be opened\n");
        return 1;
    }
    const ClassroomSandbox::Account lecturer = sandbox.accounts().value(1);
    QString line
        = QString("http=%1 classroom=%2 user=%3 password=%4 lecturer=%5 lecturer-password=%6")
              .arg(sandbox.httpPort())
              .arg(sandbox.classroomPort())
              .arg(sandbox.account().userCode, sandbox.account().password, lecturer.userCode, lecturer.password);
    for (const QString &field : sandbox.announced())
        line += " " + field;
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    return application.exec();
}
