// quorlan-batch --jobs N over a large fleet of orrin-sim servers that answer
// after a delay, as real servers far away do. quorlan-batch runs as a child
// process, so its wall time, CPU time and peak memory are the whole client's;
// orrin-sim runs in a process of its own. Prints one line per command and job
// count; a small program, not a test.
//
//   bench_jobs [--servers 1000] [--delay 50] [--jobs 1,8,32,64] [--sequential-servers 200]
//
// --jobs 1 takes minutes at 50 ms; --sequential-servers measures it on the
// first servers of the list only and scales its time to the whole fleet.

#include "support/simulatorprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

const QByteArray s_user = "bench";
const QByteArray s_password = "bench-Pa55";

// Spread across 127.0.0.0/8, clear of the addresses the tests use.
QByteArray address(int index)
{
    return "127." + QByteArray::number(20 + index / 62500) + '.' + QByteArray::number(index / 250 % 250) + '.' +
           QByteArray::number(1 + index % 250);
}

// A General, a Licence and a Network section and 20 sections of ten lines.
QByteArray configuration(int index)
{
    QByteArray text = "[General]\nname = server" + QByteArray::number(index) + "\n\n[Licence]\nkey = L-" +
                      QByteArray::number(index) + "\n\n[Network]\naddress = 10.0.0.1\n\n";
    for (int section = 1; section <= 20; ++section) {
        text += "[User" + QByteArray::number(section) + "]\n";
        for (int key = 1; key <= 8; ++key) {
            text += "setting" + QByteArray::number(key) + " = value " + QByteArray::number(section * key) + '\n';
        }
        text += '\n';
    }
    return text;
}

bool startFleet(SimulatorProcess& simulator, int servers, int delayMs)
{
    QByteArray fleet = "{\"servers\": [";
    for (int i = 0; i < servers; ++i) {
        const QByteArray name = "server" + QByteArray::number(i);
        if (!simulator.writeFile(QString::fromLatin1(name + ".conf"), configuration(i))) {
            return false;
        }
        fleet += (i == 0 ? "" : ",") + QByteArray("{\"name\": \"") + name + "\", \"address\": \"" + address(i) +
                 "\", \"user\": \"" + s_user + "\", \"password\": \"" + s_password + "\", \"config\": \"" + name +
                 ".conf\", \"faults\": {\"answerDelayMs\": " + QByteArray::number(delayMs) + "}}";
    }
    fleet += "]}";
    QElapsedTimer timer;
    timer.start();
    if (!simulator.start(fleet, 60000)) {
        return false;
    }
    std::printf("orrin-sim: %d servers at %d ms listening after %.1f s\n", servers, delayMs,
                double(timer.elapsed()) / 1000.0);
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Figures
{
    bool ok = false;
    double wallS = 0;
    double cpuS = 0;
    double peakRssMiB = 0;
};

// quorlan-batch with these arguments, its output discarded; its own resource use.
Figures runClient(const QStringList& arguments)
{
    std::vector<QByteArray> storage{QByteArray(QUORLAN_BATCH)};
    for (const QString& argument : arguments) {
        storage.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& argument : storage) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    Figures figures;
    if (posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            figures.cpuS = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            figures.peakRssMiB = double(usage.ru_maxrss) / 1024.0;
        }
    }
    figures.wallS = double(timer.elapsed()) / 1000.0;
    posix_spawn_file_actions_destroy(&actions);
    return figures;
}

QByteArray serverList(int servers)
{
    QByteArray csv = "host,username,password\n";
    for (int i = 0; i < servers; ++i) {
        csv += address(i) + ',' + s_user + ',' + s_password + '\n';
    }
    return csv;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"servers", "Servers in the fleet.", "N", "1000"},
                       {"delay", "Answer delay of every server, ms.", "MS", "50"},
                       {"jobs", "Job counts to run, comma-separated.", "LIST", "1,8,32,64"},
                       {"sequential-servers", "Servers --jobs 1 runs on (scaled to the fleet).", "N", "200"}});
    parser.process(application);
    const int servers = parser.value("servers").toInt();
    const int sequentialServers = std::min(servers, parser.value("sequential-servers").toInt());

    // The client's settings and SDK log go to a directory of this run.
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(work.filePath("data")));
    const QString fullList = work.filePath("servers.csv");
    const QString shortList = work.filePath("first.csv");
    const QString pushFile = work.filePath("push.conf");
    SimulatorProcess simulator;
    if (!writeFile(fullList, serverList(servers)) || !writeFile(shortList, serverList(sequentialServers)) ||
        !writeFile(pushFile, configuration(0)) || !startFleet(simulator, servers, parser.value("delay").toInt())) {
        std::fprintf(stderr, "cannot write the lists or start orrin-sim\n");
        return 1;
    }

    std::printf("%-7s %5s %8s %10s %8s %14s %13s\n", "command", "jobs", "servers", "wall s", "speedup", "CPU ms/server",
                "peak RSS MiB");
    for (const QString command : {"backup", "push"}) {
        double sequentialPerServer = 0;
        for (const QString& jobs : parser.value("jobs").split(',')) {
            const int count = jobs == "1" ? sequentialServers : servers;
            QTemporaryDir out;
            QStringList arguments{command, "--csv", count == servers ? fullList : shortList, "--jobs", jobs};
            arguments += command == "backup" ? QStringList{"--output-dir", out.path()}
                                             : QStringList{"--config", pushFile, "--mode", "replace"};
            const Figures figures = runClient(arguments);
            if (jobs == "1") {
                sequentialPerServer = figures.wallS / count;
            }
            const double speedup = sequentialPerServer > 0 ? sequentialPerServer * count / figures.wallS : 0;
            std::printf("%-7s %5s %8d %10.1f %7.1fx %14.2f %13.1f%s\n", qPrintable(command), qPrintable(jobs), count,
                        figures.wallS, speedup, figures.cpuS * 1000.0 / count, figures.peakRssMiB,
                        figures.ok ? "" : "  (failed)");
            std::fflush(stdout);
        }
    }
    std::printf("orrin-sim peak RSS: %.1f MiB\n", simulator.peakRssMiB());
    return 0;
}
