// Takes the README's pictures of the two tabs: the main window, in its own
// style, after a push and a backup against a small simulated fleet.
//
//   tab-screenshots <directory>   writes push-tab.png and backup-tab.png
//
// Settings and data go to temporary directories; the fleet runs in this
// process on 127.0.9.41 to 127.0.9.45 and stops with it.

#include "app/mainwindow.h"
#include "app/startup.h"
#include "sdk/connectionmanager.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "testsupport/fleetfixture.h"
#include "testsupport/testsettings.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace {

struct Server
{
    const char* name;
    const char* address;
    sim::Faults faults;
};

// A file of the examples folder; a missing one reads as an empty configuration.
QString readExample(const QString& relativePath)
{
    QFile file(QStringLiteral(QUORLAN_EXAMPLES_DIR "/") + relativePath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("[General]\n");
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

// Clicks the page's Start button and waits (at most a minute) until the run has ended.
bool runPage(QWidget* page)
{
    auto* start = page->findChild<QPushButton*>(QStringLiteral("startButton"));
    auto* cancel = page->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    auto* log = page->findChild<QTextEdit*>(QStringLiteral("textEdit"));
    if (!start || !cancel || !log || !start->isEnabled()) {
        return false;
    }
    start->click();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!cancel->isEnabled() && log->updatesEnabled()) {
            loop.quit();
        }
    });
    poll.start(20);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return !cancel->isEnabled();
}

bool save(QWidget& window, const QString& path)
{
    QCoreApplication::processEvents();
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "tab-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const testsupport::TestSettings settings;
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tab-screenshots <directory>\n");
        return 2;
    }
    const QString target = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    startup::prepareApplication(application);

    sim::Faults refused;
    refused.loginErrorCode = 13;
    sim::Faults lockedElsewhere;
    lockedElsewhere.lockHeldElsewhere = true;
    const Server servers[] = {
        {"orrin-north", "127.0.9.41", sim::Faults()},   {"orrin-south", "127.0.9.42", sim::Faults()},
        {"orrin-harbour", "127.0.9.43", sim::Faults()}, {"orrin-gate", "127.0.9.44", refused},
        {"orrin-depot", "127.0.9.45", lockedElsewhere},
    };
    testsupport::FleetFixture fleet;
    QString csv = QStringLiteral("host,username,password\n");
    for (const Server& server : servers) {
        const QString name = QString::fromLatin1(server.name);
        if (!fleet.addServer(name, QString::fromLatin1(server.address),
                             readExample(QStringLiteral("configs/") + name + QStringLiteral(".conf")), server.faults)) {
            return 1; // the fixture has said why
        }
        csv += QString::fromLatin1(server.address) + QLatin1Char(',') + testsupport::FleetFixture::defaultUser() +
               QLatin1Char(',') + testsupport::FleetFixture::defaultPassword() + QLatin1Char('\n');
    }

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/quorlan-demo-XXXXXX"));
    const QString csvPath = work.filePath(QStringLiteral("servers.csv"));
    const QString snippetPath = work.filePath(QStringLiteral("push-snippet.conf"));
    const QString backups = work.filePath(QStringLiteral("backups"));
    if (!work.isValid() || !writeText(csvPath, csv) ||
        !writeText(snippetPath, readExample(QStringLiteral("push-snippet.conf"))) || !QDir().mkpath(backups)) {
        std::fprintf(stderr, "tab-screenshots: cannot prepare the demo files\n");
        return 1;
    }

    // The window reads these when it builds its pages, as after an earlier session.
    kelp::KelpSDK::initInstance(QStringLiteral("Brindlowe"), QStringLiteral("quorlan"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    kelp::LocalUserConfig* config = kelp::KelpSDK::instance()->userConfig();
    config->setOption(QStringLiteral("last_csv_path"), csvPath, QStringLiteral("pushconfig_paths"));
    config->setOption(QStringLiteral("last_config_path"), snippetPath, QStringLiteral("pushconfig_paths"));
    config->setOption(QStringLiteral("last_csv_path"), csvPath, QStringLiteral("backup_paths"));
    config->setOption(QStringLiteral("config_output_path"), backups, QStringLiteral("backup_paths"));
    config->setOption(QStringLiteral("last_report_path"), work.filePath(QStringLiteral("backup-report.txt")),
                      QStringLiteral("backup_paths"));
    config->setOption(QStringLiteral("mode"), QStringLiteral("Both"), QStringLiteral("backup_options"));
    config->setOption(QStringLiteral("mainwin_geometry"), QRect(40, 40, 900, 720), QStringLiteral("geometry"));

    MainWindow window;
    window.show();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    if (!tabs || tabs->count() != 2) {
        std::fprintf(stderr, "tab-screenshots: the window has no Push and Backup pages\n");
        return 1;
    }
    tabs->setCurrentIndex(0);
    if (!runPage(tabs->widget(0)) || !save(window, target + QStringLiteral("/push-tab.png"))) {
        return 1;
    }
    tabs->setCurrentIndex(1);
    if (!runPage(tabs->widget(1)) || !save(window, target + QStringLiteral("/backup-tab.png"))) {
        return 1;
    }
    return 0;
}
