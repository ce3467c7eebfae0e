#include "tabs/tabcontrols.h"

#include "engine/operationinterface.h"
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
// A run reports several lines per server; painting each one as it comes
// would cost more than the run itself, so the log view is painted at most
// this often while lines arrive.
constexpr int kLogRepaintMs = 40;

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

TabControls::TabControls(const Widgets& widgets) : m_widgets(widgets), m_fileDialogs(std::make_unique<FileDialogs>())
{
    m_logRepaint.setSingleShot(true);
    m_logRepaint.setInterval(kLogRepaintMs);
    // Enabling updates again repaints the view once, with every line appended meanwhile.
    QObject::connect(&m_logRepaint, &QTimer::timeout, m_widgets.log,
                     [log = m_widgets.log] { log->setUpdatesEnabled(true); });
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

void TabControls::beginRun(OperationInterface& operation)
{
    m_widgets.settings->setEnabled(false);
    m_widgets.log->clear();
    m_widgets.cancel->setEnabled(true);
    m_widgets.start->setEnabled(false);
    // Last: a run that cannot begin reports finished() from inside start().
    operation.start();
}

void TabControls::endRun()
{
    m_widgets.settings->setEnabled(true);
    m_widgets.cancel->setEnabled(false);
    m_widgets.start->setEnabled(true);
}

void TabControls::appendMessage(const QString& msg)
{
    appendLine(QStringLiteral("INFO: ") + msg);
}

void TabControls::appendError(const QString& msg)
{
    appendLine(QStringLiteral("ERROR: ") + msg);
}

void TabControls::appendLine(const QString& line)
{
    if (!m_logRepaint.isActive()) {
        m_widgets.log->setUpdatesEnabled(false);
        m_logRepaint.start();
    }
    m_widgets.log->append(line);
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
