#include "tabs/pushconfigtab.h"

#include "ui_pushconfigtab.h"

#include "engine/operationoptions.h"
#include "operations/pushconfigoperation.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "tabs/filedialogs.h"
#include "tabs/tabcontrols.h"
#include "tabs/tabtooltips.h"

#include <QFile>

namespace {
const QString kPathsGroup = QStringLiteral("pushconfig_paths");
const QString kOptionsGroup = QStringLiteral("pushconfig_options");
const QString kConfigPathKey = QStringLiteral("last_config_path");
const QString kCsvPathKey = QStringLiteral("last_csv_path");
const QString kReportPathKey = QStringLiteral("last_report_path");
const QString kPreserveLicenceKey = QStringLiteral("preserve_licence");
const QString kPreserveNetworkKey = QStringLiteral("preserve_network");
const QString kRestartServersKey = QStringLiteral("restart_servers");

const QString kMergeKey = QStringLiteral("Merge");
const QString kReplaceKey = QStringLiteral("Replace");

const QString kLicenceKind = QStringLiteral("Licence");
const QString kNetworkKind = QStringLiteral("Network");

void loadCheckBox(QCheckBox* box, const QString& key, bool defaultValue)
{
    box->setChecked(kelp::KelpSDK::instance()->userConfig()->getOption(key, kOptionsGroup, defaultValue).toBool());
}

void saveCheckBox(const QCheckBox* box, const QString& key)
{
    kelp::KelpSDK::instance()->userConfig()->setOption(key, QVariant(box->isChecked()), kOptionsGroup);
}
} // namespace

PushConfigTab::PushConfigTab(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::PushConfigTab>())
{
    ui->setupUi(this);
    m_controls = std::make_unique<TabControls>(TabControls::Widgets{this, ui->settingsGroupBox, ui->startButton,
                                                                    ui->cancelButton, ui->textEdit, ui->modeComboBox});

    tabtooltips::apply({ui->csvServerListLabel, ui->csvServerListLineEdit, ui->csvServerListButton},
                       tabtooltips::csvServerList());
    tabtooltips::apply({ui->configFileLabel, ui->configFileLineEdit, ui->configFileButton},
                       QStringLiteral("The path to the configuration file or snippet to upload."));
    tabtooltips::apply({ui->reportOutputLabel, ui->reportOutputLineEdit, ui->reportOutputButton},
                       tabtooltips::reportOutput());
    tabtooltips::apply(
        {ui->modeLabel, ui->modeComboBox},
        QStringLiteral(
            "Determines which mode to use when pushing configuration.<ul><li><em>Merge</em> - Any configuration "
            "sections being pushed which match those already on the server will be replaced. Any which already exist "
            "on the server but not in the sections being pushed will be preserved. Any sections in the configuration "
            "being pushed which do not already exist on the server will be appended.</li><li><em>Replace</em> - The "
            "entire configuration on the server will be replaced with the one being pushed, with the potential "
            "exception of the Network and Licence sections, depending on the options chosen for those.</li></ul>"));
    ui->licenceCheckBox->setToolTip(
        QStringLiteral("Determines whether the existing licence (on the server) should be preserved, and not "
                       "overwritten by the configuration being uploaded."));
    ui->networkCheckBox->setToolTip(
        QStringLiteral("Determines whether the existing network settings (on the server) should be preserved, and not "
                       "overwritten by the configuration being uploaded."));
    ui->restartServerCheckBox->setToolTip(QStringLiteral(
        "Determines whether the servers should be restarted after the configuration is pushed. Some configuration "
        "changes require a server restart, so this is often necessary unless uploading a small configuration snippet "
        "and wanting to avoid any down-time, even though a restart is normally quite brief."));

    m_operation = std::make_unique<PushConfigOperation>();

    // Filled before the connections, so filling it reaches no handler.
    m_controls->addMode(tr("Merge"), kMergeKey);
    m_controls->addMode(tr("Replace"), kReplaceKey);

    connect(ui->configFileButton, &QPushButton::clicked, this, &PushConfigTab::slotConfigButtonClicked);
    connect(ui->configFileLineEdit, &QLineEdit::textEdited, this, &PushConfigTab::handleConfigFilePathEdited);
    connect(ui->csvServerListButton, &QPushButton::clicked, this, &PushConfigTab::slotCsvButtonClicked);
    connect(ui->csvServerListLineEdit, &QLineEdit::textEdited, this, &PushConfigTab::handleCsvServerListPathEdited);
    connect(ui->reportOutputButton, &QPushButton::clicked, this, &PushConfigTab::slotReportButtonClicked);
    connect(ui->reportOutputLineEdit, &QLineEdit::textEdited, this, &PushConfigTab::handleReportPathEdited);
    connect(ui->licenceCheckBox, &QCheckBox::stateChanged, this, &PushConfigTab::slotLicenceCheckboxStateChanged);
    connect(ui->networkCheckBox, &QCheckBox::stateChanged, this, &PushConfigTab::slotNetworkCheckboxStateChanged);
    connect(ui->restartServerCheckBox, &QCheckBox::stateChanged, this,
            &PushConfigTab::slotRestartServerCheckboxStateChanged);
    connect(ui->modeComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &PushConfigTab::handleConfigModeChanged);
    connect(ui->startButton, &QPushButton::clicked, this, &PushConfigTab::slotStart);
    connect(ui->cancelButton, &QPushButton::clicked, this, &PushConfigTab::slotCancel);
    connect(m_operation.get(), &OperationInterface::showMessage, this, &PushConfigTab::handleShowMessage);
    connect(m_operation.get(), &OperationInterface::showError, this, &PushConfigTab::handleShowError);
    connect(m_operation.get(), &OperationInterface::finished, this, &PushConfigTab::handleOperationFinished);

    connect(m_controls.get(), &TabControls::runningChanged, this, &PushConfigTab::runningChanged);
    connect(m_controls.get(), &TabControls::runStatusChanged, this, &PushConfigTab::runStatusChanged);

    loadSettings();
}

PushConfigTab::~PushConfigTab() = default;

void PushConfigTab::saveSettings()
{
    TabControls::savePath(ui->configFileLineEdit, kConfigPathKey, kPathsGroup);
    TabControls::savePath(ui->csvServerListLineEdit, kCsvPathKey, kPathsGroup);
    TabControls::savePath(ui->reportOutputLineEdit, kReportPathKey, kPathsGroup);
    saveCheckBox(ui->licenceCheckBox, kPreserveLicenceKey);
    saveCheckBox(ui->networkCheckBox, kPreserveNetworkKey);
    saveCheckBox(ui->restartServerCheckBox, kRestartServersKey);
    m_controls->saveMode(kOptionsGroup);
}

const OperationOptions& PushConfigTab::options() const
{
    return m_operation->options();
}

void PushConfigTab::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    m_controls->setFileDialogs(std::move(dialogs));
}

void PushConfigTab::setStartBlocked(bool blocked)
{
    m_controls->setStartBlocked(blocked);
    validateInputs();
}

void PushConfigTab::slotConfigButtonClicked()
{
    m_controls->browseForOpenFile(ui->configFileLineEdit, tr("Open Config File"), QStringLiteral("*.*"));
    handleConfigFilePathEdited();
}

void PushConfigTab::handleConfigFilePathEdited()
{
    m_operation->options().setConfigFilePath(ui->configFileLineEdit->text().trimmed());
    validateInputs();
}

void PushConfigTab::slotCsvButtonClicked()
{
    m_controls->browseForOpenFile(ui->csvServerListLineEdit, tr("Open CSV File"), QStringLiteral("*.csv"));
    handleCsvServerListPathEdited();
}

void PushConfigTab::handleCsvServerListPathEdited()
{
    m_operation->options().setCsvPath(ui->csvServerListLineEdit->text().trimmed());
    validateInputs();
}

void PushConfigTab::slotReportButtonClicked()
{
    m_controls->browseForSaveFile(ui->reportOutputLineEdit, tr("Set Report File Name"));
    handleReportPathEdited();
}

void PushConfigTab::handleReportPathEdited()
{
    m_operation->options().setReportPath(ui->reportOutputLineEdit->text().trimmed());
    validateInputs();
}

void PushConfigTab::slotLicenceCheckboxStateChanged(int state)
{
    preserveSection(kLicenceKind, state);
}

void PushConfigTab::slotNetworkCheckboxStateChanged(int state)
{
    preserveSection(kNetworkKind, state);
}

void PushConfigTab::slotRestartServerCheckboxStateChanged(int state)
{
    m_operation->options().setRestartServers(state == Qt::Checked);
    validateInputs();
}

void PushConfigTab::handleConfigModeChanged(int)
{
    // The item's key decides, never its (translated) text or its position.
    const PushMode mode = m_controls->currentModeKey() == kReplaceKey ? PushMode::Replace : PushMode::Merge;
    m_operation->options().setPushMode(static_cast<qint32>(mode));
    validateInputs();
}

void PushConfigTab::slotStart()
{
    m_controls->beginRun(*m_operation);
}

void PushConfigTab::slotCancel()
{
    m_controls->cancelRun(*m_operation);
}

void PushConfigTab::handleShowMessage(QString msg)
{
    m_controls->appendMessage(msg);
}

void PushConfigTab::handleShowError(QString msg)
{
    m_controls->appendError(msg);
}

void PushConfigTab::handleOperationFinished()
{
    m_controls->endRun();
}

void PushConfigTab::loadSettings()
{
    TabControls::loadPath(ui->configFileLineEdit, kConfigPathKey, kPathsGroup);
    handleConfigFilePathEdited();
    TabControls::loadPath(ui->csvServerListLineEdit, kCsvPathKey, kPathsGroup);
    handleCsvServerListPathEdited();
    TabControls::loadPath(ui->reportOutputLineEdit, kReportPathKey, kPathsGroup);
    handleReportPathEdited();
    loadCheckBox(ui->licenceCheckBox, kPreserveLicenceKey, true);
    slotLicenceCheckboxStateChanged(ui->licenceCheckBox->checkState());
    loadCheckBox(ui->networkCheckBox, kPreserveNetworkKey, true);
    slotNetworkCheckboxStateChanged(ui->networkCheckBox->checkState());
    loadCheckBox(ui->restartServerCheckBox, kRestartServersKey, false);
    slotRestartServerCheckboxStateChanged(ui->restartServerCheckBox->checkState());
    // Called directly: the operation gets its mode even when the index stays the same.
    handleConfigModeChanged(m_controls->loadMode(kOptionsGroup, kMergeKey));
}

void PushConfigTab::validateInputs()
{
    // The texts as typed; an existing directory passes too.
    const bool csvValid =
        TabControls::markPath(ui->csvServerListLineEdit, QFile::exists(ui->csvServerListLineEdit->text()));
    const bool configValid =
        TabControls::markPath(ui->configFileLineEdit, QFile::exists(ui->configFileLineEdit->text()));
    m_controls->enableStart(csvValid && configValid);
}

void PushConfigTab::preserveSection(const QString& kind, int state)
{
    OperationOptions& options = m_operation->options();
    if (state == Qt::Checked) {
        options.insertPreservedSection(kind);
    } else {
        options.removePreservedSection(kind);
    }
    validateInputs();
}
