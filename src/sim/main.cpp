#include "common/signalwatcher.h"
#include "sim/fleet.h"
#include "sim/fleetfile.h"
#include "sim/simulatedserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>

namespace {

void printLine(const QString& line)
{
    static QTextStream out(stdout);
    out << line << '\n';
    out.flush();
}

void printError(const QString& line)
{
    QTextStream(stderr) << "orrin-sim: " << line << '\n';
}

bool writeReadyFile(const QString& path, const QVector<sim::SimulatedServer*>& servers)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (const sim::SimulatedServer* server : servers) {
        file.write(server->name().toUtf8() + ' ' + server->spec().endpoint().toUtf8() + '\n');
    }
    return file.commit();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orrin-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs a fleet of simulated servers on loopback addresses, one per server of the fleet file, "
                       "speaking the SDK's wire protocol. Each server keeps its configuration in its own file (with "
                       "an exclusive lock, Merge and Replace saves written atomically, restarts and an account "
                       "lock-out) and misbehaves as its faults say. One line per event goes to standard output "
                       "(passwords are never shown). Runs until SIGINT or SIGTERM, then stops every server and "
                       "exits with status 0. The fleet file format is described in docs/simulator.md and in "
                       "orrin-sim(1)."));
    parser.addHelpOption();
    const QCommandLineOption fleetOption(QStringList{QStringLiteral("f"), QStringLiteral("fleet")},
                                         QStringLiteral("The fleet file (JSON) describing the servers."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption readyOption(
        QStringLiteral("ready-file"),
        QStringLiteral("Once every server is up, write one line per server (name and address) to PATH; "
                       "the file is removed again on exit."),
        QStringLiteral("PATH"));
    parser.addOption(fleetOption);
    parser.addOption(readyOption);
    parser.process(app);

    if (!parser.isSet(fleetOption)) {
        printError(QStringLiteral("--fleet FILE is required (see --help)"));
        return 2;
    }
    sim::FleetFile fleetFile;
    if (!fleetFile.load(parser.value(fleetOption))) {
        printError(fleetFile.errorString());
        return 1;
    }

    // Servers without certificate files of their own keep their generated
    // pairs in the fleet's key directory, or for this run only in a temporary one.
    QVector<sim::ServerProfile> servers = fleetFile.servers();
    QTemporaryDir temporaryKeys;
    const QString keyDirectory =
        servers.first().keyDirectory.isEmpty() ? temporaryKeys.path() : servers.first().keyDirectory;
    if (keyDirectory.isEmpty() || !QDir().mkpath(keyDirectory)) {
        printError(QStringLiteral("cannot create the key directory %1").arg(keyDirectory));
        return 1;
    }
    for (sim::ServerProfile& spec : servers) {
        spec.keyDirectory = keyDirectory;
    }

    sim::Fleet fleet;
    QObject::connect(&fleet, &sim::Fleet::eventRecorded, &fleet,
                     [](const sim::ServerEvent& event) { printLine(event.toString()); });
    for (const sim::ServerProfile& spec : servers) {
        fleet.addServer(spec);
    }

    common::SignalWatcher watcher;
    if (!watcher.isValid()) {
        printError(QStringLiteral("cannot watch for signals: ") + watcher.errorString());
        return 1;
    }
    QObject::connect(&watcher, &common::SignalWatcher::terminationRequested, &app, [](int signalNumber) {
        printLine(QStringLiteral("stopping on %1")
                      .arg(signalNumber == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM")));
        QCoreApplication::quit();
    });

    if (!fleet.start()) {
        printError(fleet.errorString());
        return 1;
    }
    if (parser.isSet(readyOption) && !writeReadyFile(parser.value(readyOption), fleet.servers())) {
        printError(QStringLiteral("cannot write the ready file %1").arg(parser.value(readyOption)));
        fleet.stop();
        return 1;
    }
    printLine(QStringLiteral("ready: %1 servers").arg(fleet.servers().size()));

    const int status = QCoreApplication::exec();
    fleet.stop();
    if (parser.isSet(readyOption)) {
        QFile::remove(parser.value(readyOption));
    }
    return status;
}
