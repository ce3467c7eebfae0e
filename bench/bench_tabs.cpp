// The Backup tab's share of a run, and the cost of its log view as it grows.
//
// A backup of 500 simulated servers is driven once through the Backup tab
// of the main window (shown offscreen, its log view filled and its status
// bar following the run as it goes) and once through BackupOperation alone;
// the difference is what the window adds. The servers
// run in-process on a thread of their own, so both sides share the same
// server work. Then 1,000 lines are appended to an empty log view and to one
// already holding 19,000 lines.
//
//   bench_tabs --benchmark_counters_tabular=true

#include "app/mainwindow.h"
#include "operations/backupoperation.h"
#include "sdk/kelpsdk.h"
#include "sdk/publickeychecker.h"
#include "sim/fleet.h"
#include "sim/serverprofile.h"
#include "tabs/backuptab.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace {

constexpr int s_servers = 500;
constexpr int s_configLines = 200;
const QString s_user = QStringLiteral("bench");
const QString s_password = QStringLiteral("bench-Pa55");

// 127.0.12.1 ... 127.0.13.250, apart from the other benchmarks' fleets.
QString serverAddress(int index)
{
    return QStringLiteral("127.0.%1.%2").arg(12 + index / 250).arg(1 + index % 250);
}

QByteArray serverConfiguration(int index)
{
    QByteArray text = "[General]\nname = tab-bench-" + QByteArray::number(index) + '\n';
    for (int user = 1; text.count('\n') < s_configLines; ++user) {
        text += "[User" + QByteArray::number(user) + "]\nname = user" + QByteArray::number(user) +
                "\nrole = viewer\nlanguage = en\n";
    }
    return text;
}

// The simulated fleet, built, run and torn down on its own thread.
class FleetThread
{
public:
    explicit FleetThread(const QString& directory) : m_directory(directory)
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
    }

    ~FleetThread()
    {
        onThread([this] { m_fleet.reset(); });
        m_thread.quit();
        m_thread.wait();
    }

    bool start()
    {
        bool started = false;
        onThread([this, &started] {
            m_fleet = std::make_unique<sim::Fleet>();
            for (int i = 0; i < s_servers; ++i) {
                sim::ServerProfile spec;
                spec.name = QStringLiteral("tab-bench-%1").arg(i);
                spec.address.setAddress(serverAddress(i));
                spec.user = s_user;
                spec.password = s_password;
                spec.configPath = m_directory + QStringLiteral("/") + spec.name + QStringLiteral(".conf");
                QFile file(spec.configPath);
                if (!file.open(QIODevice::WriteOnly) || file.write(serverConfiguration(i)) < 0 ||
                    !m_fleet->addServer(spec)) {
                    return;
                }
            }
            started = m_fleet->start();
        });
        return started;
    }

private:
    void onThread(const std::function<void()>& work)
    {
        QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
    }

    QString m_directory;
    QThread m_thread;
    QObject m_context;
    std::unique_ptr<sim::Fleet> m_fleet;
};

QString s_csvPath;

// Where a run's 500 files go: memory (/dev/shm) where there is one, so that
// the file system's bookkeeping for the files of earlier runs does not drown
// what the tab adds.
QString outputTemplate()
{
    const QString memory = QStringLiteral("/dev/shm");
    const QString base = QFileInfo(memory).isWritable() ? memory : QDir::tempPath();
    return base + QStringLiteral("/quorlan-bench-tabs-XXXXXX");
}

// Lets `watch` connect what marks the end of a run to the event loop (with
// the loop as context, so the connections go with it), runs `begin`, then
// the loop; false when the end takes more than 10 minutes.
bool runUntil(const std::function<void()>& begin, const std::function<void(QEventLoop&)>& watch)
{
    QEventLoop loop;
    watch(loop);
    QTimer::singleShot(600000, &loop, [&loop] { loop.exit(1); });
    begin();
    return loop.exec() == 0;
}

void setServerRate(benchmark::State& state)
{
    state.counters["servers_per_s"] =
        benchmark::Counter(double(s_servers) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void backupThroughTab(benchmark::State& state)
{
    MainWindow window;
    window.resize(800, 600);
    window.show();
    auto& tab = *window.findChild<BackupTab*>();
    window.findChild<QTabWidget*>()->setCurrentWidget(&tab);
    auto* csv = tab.findChild<QLineEdit*>(QStringLiteral("csvServerListLineEdit"));
    auto* output = tab.findChild<QLineEdit*>(QStringLiteral("configOutputLineEdit"));
    auto* start = tab.findChild<QPushButton*>(QStringLiteral("startButton"));
    auto* log = tab.findChild<QTextEdit*>(QStringLiteral("textEdit"));
    csv->setText(s_csvPath);
    tab.handleCsvServerListPathEdited();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out(outputTemplate());
        output->setText(out.path());
        tab.handleConfigPathEdited();
        state.ResumeTiming();
        // The run has ended with its last line; finished() follows in the same call.
        const bool ended =
            runUntil([start] { start->click(); },
                     [log](QEventLoop& loop) {
                         QObject::connect(log, &QTextEdit::textChanged, &loop, [log, &loop] {
                             if (log->document()->lastBlock().text() == QLatin1String("INFO: Finished!")) {
                                 loop.quit();
                             }
                         });
                     });
        if (!ended) {
            state.SkipWithError("the backup through the tab did not end");
            break;
        }
        state.PauseTiming();
        const bool complete = QDir(out.path()).entryList(QDir::Files).size() == s_servers;
        state.ResumeTiming();
        if (!complete) {
            state.SkipWithError("the backup through the tab missed servers");
            break;
        }
    }
    setServerRate(state);
}
BENCHMARK(backupThroughTab)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void backupOperationAlone(benchmark::State& state)
{
    BackupOperation operation;
    operation.options().setCsvPath(s_csvPath);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out(outputTemplate());
        operation.options().setOutputDirectory(out.path());
        state.ResumeTiming();
        const bool ended =
            runUntil([&operation] { operation.start(); },
                     [&operation](QEventLoop& loop) {
                         QObject::connect(&operation, &OperationInterface::finished, &loop, &QEventLoop::quit);
                     });
        if (!ended) {
            state.SkipWithError("the backup did not end");
            break;
        }
        state.PauseTiming();
        const bool complete = QDir(out.path()).entryList(QDir::Files).size() == s_servers;
        state.ResumeTiming();
        if (!complete) {
            state.SkipWithError("the backup missed servers");
            break;
        }
    }
    setServerRate(state);
}
BENCHMARK(backupOperationAlone)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Appends 1,000 lines to a log view that already holds state.range(0)
// lines, the event loop turning after each line as in a run, and ends as a
// run ends: the last lines laid out and the view painted.
void logAppend(benchmark::State& state)
{
    const int before = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto tab = std::make_unique<BackupTab>(nullptr);
        tab->resize(800, 600);
        tab->show();
        for (int i = 0; i < before; ++i) {
            tab->handleShowMessage(QStringLiteral("Connecting to %1...").arg(serverAddress(i % s_servers)));
        }
        tab->handleOperationFinished();
        // Laid out to the end, as the lines of a real run are by the time more come.
        const QTextDocument* document = tab->findChild<QTextEdit*>(QStringLiteral("textEdit"))->document();
        document->documentLayout()->blockBoundingRect(document->lastBlock());
        QCoreApplication::processEvents();
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            tab->handleShowMessage(QStringLiteral("Saving as: /srv/backups/tab-bench-%1.conf").arg(i));
            QCoreApplication::processEvents();
        }
        tab->handleOperationFinished();
        QCoreApplication::processEvents();
        state.PauseTiming();
        tab.reset();
        state.ResumeTiming();
    }
    // Milliseconds per iteration of 1,000 lines read as microseconds per line.
    state.counters["lines_per_s"] =
        benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(logAppend)->Arg(0)->Arg(19000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The tab reads and the SDK writes per-user files: keep them in a directory of this run.
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(work.filePath(QStringLiteral("data"))));
    QApplication application(argc, argv);
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanBench"), QStringLiteral("tabs"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    // As the window does, so that the operation alone connects as the window's tab does.
    kelp::PublicKeyChecker::forceDisabled(true);

    QByteArray csv = "host,username,password\n";
    for (int i = 0; i < s_servers; ++i) {
        csv += QString(serverAddress(i) + QLatin1Char(',') + s_user + QLatin1Char(',') + s_password + QLatin1Char('\n'))
                   .toUtf8();
    }
    s_csvPath = work.filePath(QStringLiteral("servers.csv"));
    QFile csvFile(s_csvPath);
    if (!csvFile.open(QIODevice::WriteOnly) || csvFile.write(csv) != csv.size()) {
        qCritical("cannot write the server list");
        return 1;
    }
    csvFile.close();

    FleetThread fleet(work.path());
    if (!fleet.start()) {
        qCritical("the simulated fleet did not start");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
