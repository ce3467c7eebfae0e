// Backup and push runs over a fleet of 500 simulated servers (orrin-sim in a
// process of its own, so time is shared fairly and the memory figures are the
// client's alone), each server holding a 2,000-line configuration. Each run
// is compared with the same SDK sequence driven directly, without the engine:
// connect, read (and write the file), or connect, lock, rebuild, save,
// unlock; then disconnect and go on with the next server.
//
//   bench_operations --benchmark_counters_tabular=true

#include "support/simulatorprocess.h"

#include "configsystem/configsystem.h"
#include "operations/backupfilewriter.h"
#include "operations/backupoperation.h"
#include "operations/pushconfigoperation.h"
#include "operations/pushdocumentbuilder.h"
#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/orrinconfig.h"
#include "sdk/publickeychecker.h"
#include "sdk/server.h"
#include "sdk/servergroup.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

constexpr int s_servers = 500;
constexpr int s_lines = 2000;
const QString s_user = QStringLiteral("bench");
const QString s_password = QStringLiteral("bench-Pa55");

QString address(int index)
{
    // 127.0.10.1 ... 127.0.11.250
    return QStringLiteral("127.0.%1.%2").arg(10 + index / 250).arg(1 + index % 250);
}

// A General, a Licence and a Network section, then user sections of ten
// lines each: 2,000 lines in all.
QByteArray configuration(int index)
{
    QByteArray text = "[General]\nname = server" + QByteArray::number(index) + "\n\n";
    text += "[Licence]\nkey = L-" + QByteArray::number(index) + "\n\n";
    text += "[Network]\naddress = 10.0.0." + QByteArray::number(index % 250) + "\n\n";
    for (int user = 1; user <= (s_lines - 9) / 10; ++user) {
        text += "[User" + QByteArray::number(user) + "]\n";
        for (int key = 1; key <= 8; ++key) {
            text += "setting" + QByteArray::number(key) + " = value " + QByteArray::number(user * key) + '\n';
        }
        text += '\n';
    }
    text += "[Display1]\nmode = auto\n";
    return text;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// orrin-sim with the whole fleet, started once.
bool startSimulator(SimulatorProcess& simulator)
{
    QByteArray fleet = "{\"servers\": [";
    for (int i = 0; i < s_servers; ++i) {
        const QString name = QStringLiteral("server%1").arg(i);
        if (!simulator.writeFile(name + QStringLiteral(".conf"), configuration(i))) {
            return false;
        }
        fleet +=
            QStringLiteral(R"(%1{"name": "%2", "address": "%3", "user": "%4", "password": "%5", "config": "%2.conf"})")
                .arg(i == 0 ? QString() : QStringLiteral(","), name, address(i), s_user, s_password)
                .toUtf8();
    }
    fleet += "]}";
    return simulator.start(fleet, 30000);
}

std::unique_ptr<QTemporaryDir> s_work;
QString s_csvPath;
QString s_pushFile;

// Bytes the allocator has handed out and not yet taken back.
double heapMiB()
{
    return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// Runs the event loop until done() holds or 10 minutes pass.
bool spinUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start(1);
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// One engine run; fills the heap figures after the 10th server and at the end.
bool runOperation(AbstractOperation& operation, double& heapAfter10, double& heapAfterRun, int& errors)
{
    int servers = 0;
    bool finished = false;
    QObject context;
    QObject::connect(&operation, &OperationInterface::finishedCurrentServer, &context, [&] {
        if (++servers == 10) {
            heapAfter10 = heapMiB();
        }
    });
    QObject::connect(&operation, &OperationInterface::showError, &context, [&] { ++errors; });
    QObject::connect(&operation, &OperationInterface::finished, &context, [&] { finished = true; });
    operation.start();
    const bool ok = spinUntil([&] { return finished; }) && servers == s_servers;
    heapAfterRun = heapMiB();
    return ok;
}

// The SDK sequence of one run without the engine: each server is connected,
// worked on by `work` (which calls the given `done` once the server may be
// disconnected), disconnected, and the next one is started on the next turn.
class DirectRun : public QObject
{
public:
    using Work = std::function<void(kelp::Server*, std::function<void()>)>;

    explicit DirectRun(Work work) : m_manager(kelp::KelpSDK::instance()->connectionManager()), m_work(std::move(work))
    {
        connect(m_manager, &kelp::ConnectionManager::allServersConnected, this, [this](uint id) {
            m_work(m_manager->serverGroup(id)->servers().first(), [this] { m_manager->disconnectFromAll(); });
        });
        connect(m_manager, &kelp::ConnectionManager::allServersDisconnected, this, [this] {
            ++m_index;
            QTimer::singleShot(0, this, [this] { next(); });
        });
    }

    bool run()
    {
        next();
        return spinUntil([this] { return m_index == s_servers; });
    }

private:
    void next()
    {
        if (m_index < s_servers) {
            m_manager->connectToServer(s_user, s_password, kelp::OrrinUrl(address(m_index), 8601), false);
        }
    }

    kelp::ConnectionManager* m_manager;
    Work m_work;
    int m_index = 0;
};

void setRate(benchmark::State& state)
{
    state.counters["servers_per_s"] =
        benchmark::Counter(double(s_servers) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void backupWithEngine(benchmark::State& state)
{
    BackupOperation operation;
    operation.options().setCsvPath(s_csvPath);
    double after10 = 0;
    double afterRun = 0;
    int errors = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out;
        operation.options().setOutputDirectory(out.path());
        state.ResumeTiming();
        if (!runOperation(operation, after10, afterRun, errors) || errors != 0) {
            state.SkipWithError("the backup run failed");
            break;
        }
    }
    setRate(state);
    state.counters["heap_after_10_MiB"] = after10;
    state.counters["heap_after_run_MiB"] = afterRun;
}
BENCHMARK(backupWithEngine)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void backupDirect(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out;
        state.ResumeTiming();
        DirectRun direct([&out](kelp::Server* server, const std::function<void()>& done) {
            // Published as safely as the operation does it, so that the comparison is of the engine alone and
            // not of the file's way to the disk.
            const QString path = out.path() + QDir::separator() + server->name().trimmed() + QStringLiteral(".conf");
            bool asked = false;
            BackupFileWriter::write(path, server->config()->workingConfigCopy()->toText().toUtf8(),
                                    [&]() { return std::exchange(asked, true) ? QString() : path; });
            done();
        });
        if (!direct.run()) {
            state.SkipWithError("the direct backup failed");
            break;
        }
    }
    setRate(state);
}
BENCHMARK(backupDirect)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void pushWithEngine(benchmark::State& state)
{
    PushConfigOperation operation;
    operation.options().setCsvPath(s_csvPath);
    operation.options().setConfigFilePath(s_pushFile);
    operation.options().setPushMode(static_cast<qint32>(PushMode::Replace));
    operation.options().insertPreservedSection(QStringLiteral("Licence"));
    operation.options().insertPreservedSection(QStringLiteral("Network"));
    double after10 = 0;
    double afterRun = 0;
    int errors = 0;
    for (auto _ : state) {
        if (!runOperation(operation, after10, afterRun, errors) || errors != 0) {
            state.SkipWithError("the push run failed");
            break;
        }
    }
    setRate(state);
    state.counters["heap_after_10_MiB"] = after10;
    state.counters["heap_after_run_MiB"] = afterRun;
}
BENCHMARK(pushWithEngine)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void pushDirect(benchmark::State& state)
{
    QFile file(s_pushFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        state.SkipWithError("cannot read the push file");
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    const std::set<QString> kinds{QStringLiteral("Licence"), QStringLiteral("Network")};
    QObject context;
    for (auto _ : state) {
        DirectRun direct([&](kelp::Server* server, std::function<void()> done) {
            QSharedPointer<kelp::OrrinConfig> config = server->config();
            QObject::connect(config.data(), &kelp::OrrinConfig::locked, &context, [config, &kinds, &text] {
                QSharedPointer<kelp::ConfigSystem> document = config->workingConfigCopy();
                document->loadText(PushDocumentBuilder::preservedText(*document, kinds), false, false);
                document->loadText(text, true, false);
                config->saveToServer(false, true);
            });
            QObject::connect(config.data(), &kelp::OrrinConfig::savedToServer, &context,
                             [config] { config->unlock(true); });
            QObject::connect(config.data(), &kelp::OrrinConfig::unlocked, &context, [config, &context, done] {
                config->disconnect(&context);
                done();
            });
            config->lock(false);
        });
        if (!direct.run()) {
            state.SkipWithError("the direct push failed");
            break;
        }
    }
    setRate(state);
}
BENCHMARK(pushDirect)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // The SDK's settings and log go to a directory of this run, not the user's.
    s_work = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(s_work->filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(s_work->filePath(QStringLiteral("data"))));
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanBench"), QStringLiteral("operations"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    // As the window runs: sessions encrypted, no server key check.
    kelp::PublicKeyChecker::forceDisabled(true);

    QByteArray csv = "host,username,password\n";
    for (int i = 0; i < s_servers; ++i) {
        csv += (address(i) + u',' + s_user + u',' + s_password + u'\n').toUtf8();
    }
    s_csvPath = s_work->filePath(QStringLiteral("servers.csv"));
    s_pushFile = s_work->filePath(QStringLiteral("push.conf"));
    // The push uploads a whole 2,000-line configuration, so the servers keep their size run after run.
    if (!writeFile(s_csvPath, csv) || !writeFile(s_pushFile, configuration(0))) {
        qCritical("cannot write the server list or the push file");
        return 1;
    }

    auto simulator = std::make_unique<SimulatorProcess>();
    if (!startSimulator(*simulator)) {
        qCritical("orrin-sim did not start");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
