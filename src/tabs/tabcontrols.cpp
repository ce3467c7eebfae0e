#include "tabs/tabcontrols.h"

#include "engine/abstractoperation.h"
#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"
#include "tabs/filedialogs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>

#include <algorithm>

namespace {
const QString kModeKey = QStringLiteral("mode");
// As often as the log view is painted: a status bar redrawn for every server
// would cost more than the servers' lines themselves.
constexpr int kStatusMs = 40;

// The dialogs start from the documents location's human-readable name, not
// from its path.
QString startDirectory()
{
    return QStandardPaths::displayName(QStandardPaths::DocumentsLocation);
}

kelp::LocalUserConfig* userConfig()
{
    return kelp::KelpSDK::instance()->userConfig();
}
} // namespace

TabControls::TabControls(const Widgets& widgets)
    : m_widgets(widgets), m_fileDialogs(std::make_unique<FileDialogs>()), m_log(widgets.log)
{
    m_statusTimer.setSingleShot(true);
    m_statusTimer.setInterval(kStatusMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &TabControls::reportStatus);
}

TabControls::~TabControls() = default;

void TabControls::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    m_fileDialogs = std::move(dialogs);
}

void TabControls::browseForOpenFile(QLineEdit* edit, const QString& caption, const QString& filter)
{
    edit->setText(m_fileDialogs->openFileName(m_widgets.tab, caption, startDirectory(), filter));
}

void TabControls::browseForSaveFile(QLineEdit* edit, const QString& caption)
{
    edit->setText(m_fileDialogs->saveFileName(m_widgets.tab, caption, startDirectory()));
}

void TabControls::browseForDirectory(QLineEdit* edit, const QString& caption)
{
    edit->setText(m_fileDialogs->existingDirectory(m_widgets.tab, caption, startDirectory(),
                                                   QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks));
}

bool TabControls::markPath(QLineEdit* edit, bool valid)
{
    edit->setStyleSheet(valid ? QStringLiteral("border-color: #606063") : QStringLiteral("border-color: red"));
    return valid;
}

void TabControls::enableStart(bool inputsValid)
{
    m_widgets.start->setEnabled(inputsValid && !m_startBlocked);
}

void TabControls::setStartBlocked(bool blocked)
{
    m_startBlocked = blocked;
    m_widgets.start->setToolTip(blocked ? tr("A run is in progress on the other tab.") : QString());
}

void TabControls::beginRun(AbstractOperation& operation)
{
    m_widgets.settings->setEnabled(false);
    m_log.clear();
    m_widgets.cancel->setEnabled(true);
    m_widgets.start->setEnabled(false);
    m_progress.begin([&operation] { return operation.serverCount(); });
    emit runningChanged(true);
    reportStatus();
    // Last: a run that cannot begin reports finished() from inside start().
    operation.start();
}

void TabControls::cancelRun(AbstractOperation& operation)
{
    m_progress.cancelRequested();
    operation.cancel();
}

void TabControls::endRun()
{
    // The run's last lines are shown as it ends, not a moment later.
    m_log.flush();
    m_widgets.settings->setEnabled(true);
    m_widgets.cancel->setEnabled(false);
    m_widgets.start->setEnabled(true);
    m_progress.finish();
    reportStatus();
    emit runningChanged(false);
}

void TabControls::appendMessage(const QString& msg)
{
    m_log.append(QStringLiteral("INFO: ") + msg);
    if (m_progress.message(msg) && !m_statusTimer.isActive()) {
        m_statusTimer.start();
    }
}

void TabControls::appendError(const QString& msg)
{
    m_log.appendError(QStringLiteral("ERROR: ") + msg);
    if (m_progress.error() && !m_statusTimer.isActive()) {
        m_statusTimer.start();
    }
}

void TabControls::reportStatus()
{
    m_statusTimer.stop();
    emit runStatusChanged(m_progress.text());
}

void TabControls::addMode(const QString& text, const QString& key)
{
    m_widgets.mode->addItem(text, key);
}

QString TabControls::currentModeKey() const
{
    return m_widgets.mode->currentData().toString();
}

int TabControls::loadMode(const QString& group, const QString& defaultKey)
{
    const QString stored = userConfig()->getOption(kModeKey, group, QVariant(defaultKey)).toString();
    // A key written by another version matches nothing and falls back to the first item.
    const int index = std::max(0, m_widgets.mode->findData(stored));
    m_widgets.mode->setCurrentIndex(index);
    return index;
}

void TabControls::saveMode(const QString& group) const
{
    userConfig()->setOption(kModeKey, currentModeKey(), group);
}

void TabControls::loadPath(QLineEdit* edit, const QString& key, const QString& group)
{
    edit->setText(userConfig()->getOption(key, group, QVariant()).toString());
}

void TabControls::savePath(const QLineEdit* edit, const QString& key, const QString& group)
{
    userConfig()->setOption(key, edit->text(), group);
}
