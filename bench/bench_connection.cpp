// Connect and read over loopback against orrin-sim (its own process, so the
// figures and the memory are the client's alone), compared with loading the
// same text in memory; and the client's memory over many connect/disconnect
// cycles.
//
//   bench_connection --benchmark_counters_tabular=true

#include "support/simulatorprocess.h"

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"
#include "sdk/connectionmanager.h"
#include "sdk/orrinconfig.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString s_largeAddress = QStringLiteral("127.0.5.200");
const QString s_smallAddress = QStringLiteral("127.0.5.201");
const QString s_user = QStringLiteral("bench");
const QString s_password = QStringLiteral("bench-Pa55");
constexpr quint16 s_port = 8601;
constexpr int s_largeLines = 100000;

// 10,000 user sections of ten lines each: 100,000 lines, about 2.3 MB.
QByteArray largeConfiguration()
{
    QByteArray text;
    text.reserve(3 * 1024 * 1024);
    for (int user = 1; user <= s_largeLines / 10; ++user) {
        text += "[User" + QByteArray::number(user) + "]\n";
        for (int key = 1; key <= 8; ++key) {
            text += "setting" + QByteArray::number(key) + " = value " + QByteArray::number(user * key) + '\n';
        }
        text += '\n';
    }
    return text;
}

// orrin-sim with two servers, started once for the whole run.
bool startSimulator(SimulatorProcess& simulator)
{
    const QString fleet = QStringLiteral(R"({"servers": [
        {"name": "large", "address": "%1", "user": "%3", "password": "%4", "config": "large.conf"},
        {"name": "small", "address": "%2", "user": "%3", "password": "%4", "config": "small.conf"}]})")
                              .arg(s_largeAddress, s_smallAddress, s_user, s_password);
    return simulator.writeFile(QStringLiteral("large.conf"), largeConfiguration()) &&
           simulator.writeFile(QStringLiteral("small.conf"), QByteArrayLiteral("[General]\nname = small\n")) &&
           simulator.start(fleet.toUtf8(), 10000);
}

std::unique_ptr<SimulatorProcess> s_simulator;

// Runs the event loop until the signal arrives (true) or 30 s pass.
template <typename Signal> bool waitFor(kelp::ConnectionManager& manager, Signal signal)
{
    QEventLoop loop;
    bool arrived = false;
    QObject::connect(&manager, signal, &loop, [&] {
        arrived = true;
        loop.quit();
    });
    // A timer of this scope, not a single-shot one: those would live on
    // for their whole interval and pile up over thousands of cycles.
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(30000);
    loop.exec();
    return arrived;
}

// One connect with its read of the configuration; the text's size in bytes,
// or -1 when the connect failed.
qint64 connectAndRead(kelp::ConnectionManager& manager, const QString& address)
{
    QEventLoop loop;
    uint group = 0;
    QObject::connect(&manager, &kelp::ConnectionManager::allServersConnected, &loop, [&](uint id) {
        group = id;
        loop.quit();
    });
    QObject::connect(&manager, &kelp::ConnectionManager::loginError, &loop, &QEventLoop::quit);
    QObject::connect(&manager, &kelp::ConnectionManager::userConnectionTimedOut, &loop, &QEventLoop::quit);
    manager.connectToServer(s_user, s_password, kelp::OrrinUrl(address, s_port), false);
    loop.exec();
    kelp::ServerGroup* servers = manager.serverGroup(group);
    return servers ? servers->servers().at(0)->config()->workingConfigCopy()->sectionNames().size() : -1;
}

bool disconnect(kelp::ConnectionManager& manager)
{
    // Answered from the event loop, so waiting afterwards misses nothing.
    manager.disconnectFromAll();
    return waitFor(manager, &kelp::ConnectionManager::allServersDisconnected);
}

// Resident set size of this process, in KiB.
double residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * 4.0 : 0;
}

void loadTextInMemory(benchmark::State& state)
{
    const QByteArray text = largeConfiguration();
    for (auto _ : state) {
        const QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
        document->loadText(text.constData(), text.size());
        benchmark::DoNotOptimize(document->sectionNames().size());
    }
    state.counters["lines"] = s_largeLines;
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(loadTextInMemory)->Unit(benchmark::kMillisecond);

void connectAndReadOverLoopback(benchmark::State& state)
{
    kelp::ConnectionManager manager;
    const qint64 textSize = largeConfiguration().size();
    for (auto _ : state) {
        const qint64 sections = connectAndRead(manager, s_largeAddress);
        state.PauseTiming();
        if (sections != s_largeLines / 10 || !disconnect(manager)) {
            state.SkipWithError("connect or disconnect failed");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["lines"] = s_largeLines;
    state.SetBytesProcessed(state.iterations() * textSize);
}
BENCHMARK(connectAndReadOverLoopback)->Unit(benchmark::kMillisecond);

void connectDisconnectCycles(benchmark::State& state)
{
    kelp::ConnectionManager manager;
    // Warm up first, so buffers and caches that live for the process are in place.
    for (int cycle = 0; cycle < 100; ++cycle) {
        if (connectAndRead(manager, s_smallAddress) != 1 || !disconnect(manager)) {
            state.SkipWithError("warm-up failed");
            return;
        }
    }
    const double before = residentKiB();
    for (auto _ : state) {
        if (connectAndRead(manager, s_smallAddress) != 1 || !disconnect(manager)) {
            state.SkipWithError("connect or disconnect failed");
            break;
        }
    }
    const double after = residentKiB();
    state.counters["rss_before_KiB"] = before;
    state.counters["rss_after_KiB"] = after;
    state.counters["rss_growth_KiB"] = after - before;
}
BENCHMARK(connectDisconnectCycles)->Iterations(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    s_simulator = std::make_unique<SimulatorProcess>();
    if (!startSimulator(*s_simulator)) {
        qCritical("orrin-sim did not start");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    s_simulator.reset();
    return 0;
}
