#include "tabs/backuptab.h"

#include "ui_backuptab.h"

#include "engine/operationoptions.h"
#include "operations/backupoperation.h"
#include "tabs/filedialogs.h"
#include "tabs/tabcontrols.h"
#include "tabs/tabtooltips.h"

#include <QDir>
#include <QFile>

namespace {
const QString kPathsGroup = QStringLiteral("backup_paths");
const QString kOptionsGroup = QStringLiteral("backup_options");
const QString kCsvPathKey = QStringLiteral("last_csv_path");
const QString kReportPathKey = QStringLiteral("last_report_path");
const QString kOutputPathKey = QStringLiteral("config_output_path");

const QString kServerNameKey = QStringLiteral("ServerName");
const QString kIPHostKey = QStringLiteral("IPHost");
const QString kBothKey = QStringLiteral("Both");
} // namespace

BackupTab::BackupTab(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::BackupTab>())
{
    ui->setupUi(this);
    m_controls = std::make_unique<TabControls>(TabControls::Widgets{this, ui->settingsGroupBox, ui->startButton,
                                                                    ui->cancelButton, ui->textEdit, ui->modeComboBox});

    tabtooltips::apply({ui->csvServerListLabel, ui->csvServerListLineEdit, ui->csvServerListButton},
                       tabtooltips::csvServerList());
    tabtooltips::apply({ui->reportOutputLabel, ui->reportOutputLineEdit, ui->reportOutputButton},
                       tabtooltips::reportOutput());
    tabtooltips::apply({ui->configOutputLabel, ui->configOutputLineEdit, ui->configOutputButton},
                       QStringLiteral("This is the directory (or folder) to which the configuration files will be "
                                      "saved."));
    tabtooltips::apply(
        {ui->namingConventionLabel, ui->modeComboBox},
        QStringLiteral(
            "Detemines how the saved configuration files should be named. The choices are:<ul><li><em>Server "
            "Name</em> - e.g. \"My Server.conf\"</li><li><em>IP/Host</em> - e.g. "
            "\"192.168.0.1.conf\"</li><li><em>Both</em> - e.g. \"My Server-192.168.0.1.conf\"</li></ul>"));

    m_operation = std::make_unique<BackupOperation>();

    // Filled before the connections, so filling it reaches no handler.
    m_controls->addMode(tr("Server Name"), kServerNameKey);
    m_controls->addMode(tr("IP/Host"), kIPHostKey);
    m_controls->addMode(tr("Both"), kBothKey);

    connect(ui->csvServerListButton, &QPushButton::clicked, this, &BackupTab::slotCsvButtonClicked);
    connect(ui->csvServerListLineEdit, &QLineEdit::textEdited, this, &BackupTab::handleCsvServerListPathEdited);
    connect(ui->reportOutputButton, &QPushButton::clicked, this, &BackupTab::slotReportButtonClicked);
    connect(ui->reportOutputLineEdit, &QLineEdit::textEdited, this, &BackupTab::handleReportPathEdited);
    connect(ui->configOutputButton, &QPushButton::clicked, this, &BackupTab::slotConfigButtonClicked);
    connect(ui->configOutputLineEdit, &QLineEdit::textEdited, this, &BackupTab::handleConfigPathEdited);
    connect(ui->startButton, &QPushButton::clicked, this, &BackupTab::slotStart);
    connect(ui->cancelButton, &QPushButton::clicked, this, &BackupTab::slotCancel);
    connect(ui->modeComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &BackupTab::handleConfigModeChanged);
    connect(m_operation.get(), &OperationInterface::showMessage, this, &BackupTab::handleShowMessage);
    connect(m_operation.get(), &OperationInterface::showError, this, &BackupTab::handleShowError);
    connect(m_operation.get(), &OperationInterface::finished, this, &BackupTab::handleOperationFinished);

    connect(m_controls.get(), &TabControls::runningChanged, this, &BackupTab::runningChanged);
    connect(m_controls.get(), &TabControls::runStatusChanged, this, &BackupTab::runStatusChanged);

    loadSettings();
}

BackupTab::~BackupTab() = default;

void BackupTab::saveSettings()
{
    TabControls::savePath(ui->csvServerListLineEdit, kCsvPathKey, kPathsGroup);
    TabControls::savePath(ui->reportOutputLineEdit, kReportPathKey, kPathsGroup);
    TabControls::savePath(ui->configOutputLineEdit, kOutputPathKey, kPathsGroup);
    m_controls->saveMode(kOptionsGroup);
}

const OperationOptions& BackupTab::options() const
{
    return m_operation->options();
}

void BackupTab::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    m_controls->setFileDialogs(std::move(dialogs));
}

void BackupTab::setStartBlocked(bool blocked)
{
    m_controls->setStartBlocked(blocked);
    validateInputs();
}

void BackupTab::slotCsvButtonClicked()
{
    m_controls->browseForOpenFile(ui->csvServerListLineEdit, tr("Open CSV File"), QStringLiteral("*.csv"));
    handleCsvServerListPathEdited();
}

void BackupTab::handleCsvServerListPathEdited()
{
    m_operation->options().setCsvPath(ui->csvServerListLineEdit->text().trimmed());
    validateInputs();
}

void BackupTab::slotReportButtonClicked()
{
    m_controls->browseForSaveFile(ui->reportOutputLineEdit, tr("Set Report File Name"));
    handleReportPathEdited();
}

void BackupTab::handleReportPathEdited()
{
    m_operation->options().setReportPath(ui->reportOutputLineEdit->text().trimmed());
    validateInputs();
}

void BackupTab::slotConfigButtonClicked()
{
    m_controls->browseForDirectory(ui->configOutputLineEdit, tr("Open Directory"));
    handleConfigPathEdited();
}

void BackupTab::handleConfigPathEdited()
{
    m_operation->options().setOutputDirectory(ui->configOutputLineEdit->text().trimmed());
    validateInputs();
}

void BackupTab::handleConfigModeChanged(int)
{
    // The item's key decides, never its (translated) text or its position.
    const QString key = m_controls->currentModeKey();
    NamingMode mode = NamingMode::ServerName;
    if (key == kIPHostKey) {
        mode = NamingMode::IPHost;
    } else if (key == kBothKey) {
        mode = NamingMode::Both;
    }
    m_operation->options().setNamingMode(static_cast<qint32>(mode));
    validateInputs();
}

void BackupTab::slotStart()
{
    m_controls->beginRun(*m_operation);
}

void BackupTab::slotCancel()
{
    m_controls->cancelRun(*m_operation);
}

void BackupTab::handleShowMessage(QString msg)
{
    m_controls->appendMessage(msg);
}

void BackupTab::handleShowError(QString msg)
{
    m_controls->appendError(msg);
}

void BackupTab::handleOperationFinished()
{
    m_controls->endRun();
}

void BackupTab::loadSettings()
{
    TabControls::loadPath(ui->csvServerListLineEdit, kCsvPathKey, kPathsGroup);
    handleCsvServerListPathEdited();
    TabControls::loadPath(ui->reportOutputLineEdit, kReportPathKey, kPathsGroup);
    handleReportPathEdited();
    TabControls::loadPath(ui->configOutputLineEdit, kOutputPathKey, kPathsGroup);
    handleConfigPathEdited();
    // Called directly: the operation gets its mode even when the index stays the same.
    handleConfigModeChanged(m_controls->loadMode(kOptionsGroup, kServerNameKey));
}

void BackupTab::validateInputs()
{
    // The texts as typed: a path with a trailing blank is tested with it.
    const QString csvPath = ui->csvServerListLineEdit->text();
    const QString outputDirectory = ui->configOutputLineEdit->text();
    const bool csvValid = TabControls::markPath(ui->csvServerListLineEdit, QFile::exists(csvPath));
    const bool outputValid =
        TabControls::markPath(ui->configOutputLineEdit, !outputDirectory.isEmpty() && QDir(outputDirectory).exists());
    m_controls->enableStart(csvValid && outputValid);
}
