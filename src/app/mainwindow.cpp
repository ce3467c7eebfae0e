#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "sdk/publickeychecker.h"
#include "tabs/backuptab.h"
#include "tabs/pushconfigtab.h"

#include <QCloseEvent>
#include <QLabel>

namespace {
const QString kGeometryGroup = QStringLiteral("geometry");
const QString kGeometryKey = QStringLiteral("mainwin_geometry");
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    // Before anything that reads per-user options through the SDK.
    kelp::KelpSDK::initInstance(QStringLiteral("Brindlowe"), QStringLiteral("quorlan"), nullptr,
                                QStringLiteral("kelpsdk.log"));
    restoreGeometryFromSettings();
    createTabs();
    connectRuns();
    // No connection is made before this point, so no server key is ever checked.
    kelp::PublicKeyChecker::forceDisabled(true);
}

MainWindow::~MainWindow() = default;

void MainWindow::closeEvent(QCloseEvent* event)
{
    saveSettings();
    event->accept();
}

void MainWindow::restoreGeometryFromSettings()
{
    // Nothing stored gives a null rectangle, applied all the same.
    setGeometry(kelp::KelpSDK::instance()->userConfig()->getOption(kGeometryKey, kGeometryGroup, QVariant()).toRect());
}

void MainWindow::createTabs()
{
    // The form's placeholder pages go before the real ones come.
    for (int i = ui->tabWidget->count() - 1; i >= 0; --i) {
        ui->tabWidget->removeTab(i);
    }
    // The tabs read their stored settings as they are built, so the SDK is open by now.
    m_pushTab = new PushConfigTab(nullptr);
    ui->tabWidget->addTab(m_pushTab, tr("Push"));
    m_backupTab = new BackupTab(nullptr);
    ui->tabWidget->addTab(m_backupTab, tr("Backup"));
}

void MainWindow::connectRuns()
{
    connect(m_pushTab, &PushConfigTab::runningChanged, m_backupTab, &BackupTab::setStartBlocked);
    connect(m_backupTab, &BackupTab::runningChanged, m_pushTab, &PushConfigTab::setStartBlocked);
    m_runStatus = new QLabel(ui->statusbar);
    m_runStatus->setObjectName(QStringLiteral("runStatusLabel"));
    // A widget of its own rather than a status message, which hovering could wipe.
    ui->statusbar->addWidget(m_runStatus, 1);
    connect(m_pushTab, &PushConfigTab::runStatusChanged, m_runStatus, &QLabel::setText);
    connect(m_backupTab, &BackupTab::runStatusChanged, m_runStatus, &QLabel::setText);
}

void MainWindow::saveSettings()
{
    kelp::KelpSDK::instance()->userConfig()->setOption(kGeometryKey, QVariant(geometry()), kGeometryGroup);
    if (m_pushTab) {
        m_pushTab->saveSettings();
    }
    if (m_backupTab) {
        m_backupTab->saveSettings();
    }
}
