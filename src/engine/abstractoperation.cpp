#include "engine/abstractoperation.h"

#include "common/logtext.h"

#include "sdk/connectionmanager.h"
#include "sdk/csvparser.h"
#include "sdk/kelpsdk.h"
#include "sdk/orrinurl.h"
#include "sdk/servergroup.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextStream>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kSeparatorLine = QStringLiteral("----------------------------------------------------------");

// A report repeats what the servers hold, so it is readable by its owner only,
// whatever the umask. An existing file of another owner keeps its mode.
bool openPrivately(QFile& file, const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        return false;
    }
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
} // namespace

const QStringList AbstractOperation::HOST_COLUMN_NAMES = {QStringLiteral("ip"), QStringLiteral("hostname"),
                                                          QStringLiteral("host"), QStringLiteral("server")};
const QStringList AbstractOperation::USERNAME_COLUMN_NAMES = {QStringLiteral("username"), QStringLiteral("user name"),
                                                              QStringLiteral("user")};
const QStringList AbstractOperation::PASSWORD_COLUMN_NAMES = {QStringLiteral("password"), QStringLiteral("pwd"),
                                                              QStringLiteral("pass"), QStringLiteral("passwd")};

AbstractOperation::AbstractOperation() : OperationInterface(nullptr)
{
    connect(this, &OperationInterface::showError, this, &AbstractOperation::handleShowError);
    connect(this, &OperationInterface::showMessage, this, &AbstractOperation::handleShowMessage);
}

AbstractOperation::~AbstractOperation() = default;

void AbstractOperation::setOverwriteQuestion(OverwriteQuestion question)
{
    m_overwriteQuestion = std::move(question);
}

void AbstractOperation::setServerGroupLookup(ServerGroupLookup lookup)
{
    m_serverGroupLookup = std::move(lookup);
}

void AbstractOperation::setConnectionManager(kelp::ConnectionManager* manager)
{
    m_ownConnectionManager = manager;
}

void AbstractOperation::setNextIndex(NextIndex nextIndex)
{
    m_nextIndex = std::move(nextIndex);
}

void AbstractOperation::writeReportFrom(const OperationInterface& source)
{
    disconnect(this, &OperationInterface::showError, this, &AbstractOperation::handleShowError);
    disconnect(this, &OperationInterface::showMessage, this, &AbstractOperation::handleShowMessage);
    connect(&source, &OperationInterface::showError, this, &AbstractOperation::handleShowError);
    connect(&source, &OperationInterface::showMessage, this, &AbstractOperation::handleShowMessage);
}

void AbstractOperation::start()
{
    m_connectionManager =
        m_ownConnectionManager ? m_ownConnectionManager : kelp::KelpSDK::instance()->connectionManager();
    connect(m_connectionManager, &kelp::ConnectionManager::allServersConnected, this,
            &AbstractOperation::handleConnected);
    connect(m_connectionManager, &kelp::ConnectionManager::loginError, this, &AbstractOperation::handleLoginError);
    connect(m_connectionManager, &kelp::ConnectionManager::userConnectionTimedOut, this,
            &AbstractOperation::handleConnectionTimedOut);
    connect(m_connectionManager, &kelp::ConnectionManager::allServersDisconnected, this,
            &AbstractOperation::handleAllDisconnected);
}

void AbstractOperation::startRun(const OperationOptions& options)
{
    AbstractOperation::start();
    if (!options.reportPath().isEmpty() && !openReportFile(options.reportPath(), false)) {
        endRun();
        return;
    }
    if (!loadServerList(options.csvPath())) {
        endRun();
    }
}

void AbstractOperation::cancel()
{
    m_currentIndex = m_logins.size();
}

void AbstractOperation::endRun()
{
    if (m_reportFile.isOpen()) {
        m_reportFile.close();
    }
    if (m_connectionManager) {
        disconnect(m_connectionManager, &kelp::ConnectionManager::allServersConnected, this,
                   &AbstractOperation::handleConnected);
        disconnect(m_connectionManager, &kelp::ConnectionManager::loginError, this,
                   &AbstractOperation::handleLoginError);
        disconnect(m_connectionManager, &kelp::ConnectionManager::userConnectionTimedOut, this,
                   &AbstractOperation::handleConnectionTimedOut);
        disconnect(m_connectionManager, &kelp::ConnectionManager::allServersDisconnected, this,
                   &AbstractOperation::handleAllDisconnected);
    }
    m_currentIndex = 0;
    m_logins.clear();
    m_hostColumn = -1;
    m_usernameColumn = -1;
    m_passwordColumn = -1;
    emit finished();
}

void AbstractOperation::doNextServer()
{
    if (m_nextIndex) {
        const std::optional<quint64> next = m_nextIndex();
        if (!next) {
            return;
        }
        m_currentIndex = *next;
    }
    if (m_currentIndex + 1 > m_logins.size()) {
        emit showMessage(tr("Finished!"));
        endRun();
        return;
    }
    connectToLogin(m_logins[m_currentIndex]);
}

void AbstractOperation::connectToLogin(kelp::LoginData login)
{
    emit showMessage(tr("Connecting to %1...").arg(common::logText(login.orrinUrl().host())));
    m_connectionManager->connectToServer(login.username(), login.password(), login.orrinUrl(), false);
}

void AbstractOperation::handleConnected(uint sg_id)
{
    emit showMessage(tr("Connected"));
    kelp::ServerGroup* group =
        m_serverGroupLookup ? m_serverGroupLookup(sg_id) : m_connectionManager->serverGroup(sg_id);
    const QVector<kelp::Server*> servers = group ? group->servers() : QVector<kelp::Server*>();
    if (servers.isEmpty()) {
        // Nothing to work on: let the disconnection take the run to the next entry.
        m_currentServer = nullptr;
        emit showError(tr("Invalid server group (%1)").arg(sg_id));
        disconnectCurrentServer();
        return;
    }
    m_currentServer = servers.first();
    processCurrentServer();
}

void AbstractOperation::handleLoginError(kelp::LoginError error)
{
    emit showError(tr("Login Error: %1").arg(common::logText(error.toString())));
    cleanupCurrentServer();
    m_connectionManager->disconnectFromAll();
    // The SDK answers nothing to a disconnection after a failed login.
    handleCurrentServerFinished();
}

void AbstractOperation::handleConnectionTimedOut()
{
    emit showError(QStringLiteral("Connection timed out"));
    cleanupCurrentServer();
    m_connectionManager->disconnectFromAll();
}

void AbstractOperation::handleAllDisconnected(uint sg_id)
{
    Q_UNUSED(sg_id)
    handleCurrentServerFinished();
}

void AbstractOperation::handleCurrentServerFinished()
{
    emit showMessage(kSeparatorLine);
    emit finishedCurrentServer();
    ++m_currentIndex;
    // By name, on the next turn of the event loop: the SDK finishes delivering
    // the current signal before the next connection starts.
    QTimer::singleShot(0, this, SLOT(doNextServer()));
}

void AbstractOperation::disconnectCurrentServer()
{
    cleanupCurrentServer();
    m_connectionManager->disconnectFromAll();
}

void AbstractOperation::handleShowMessage(QString msg)
{
    if (m_reportFile.isOpen()) {
        QTextStream stream(&m_reportFile);
        stream << QStringLiteral("INFO: ") << msg << '\n';
    }
}

void AbstractOperation::handleShowError(QString msg)
{
    if (m_reportFile.isOpen()) {
        QTextStream stream(&m_reportFile);
        stream << QStringLiteral("ERROR: ") << msg << '\n';
    }
}

bool AbstractOperation::askOverwrite(const QString& title, const QString& text) const
{
    if (m_overwriteQuestion) {
        return m_overwriteQuestion(title, text);
    }
    return QMessageBox::warning(nullptr, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton) ==
           QMessageBox::Yes;
}

bool AbstractOperation::openReportFile(const QString& path, bool overwrite)
{
    if (path.isEmpty()) {
        return false;
    }
    if (QFile::exists(path)) {
        // A QCoreApplication has no widgets to ask with.
        const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
        const bool interactive = application && !QApplication::topLevelWidgets().isEmpty();
        bool remove = overwrite;
        if (interactive || m_overwriteQuestion) {
            if (!askOverwrite(tr("File Already Exists"),
                              tr("The report file you have you chosen already exists. Overwrite?"))) {
                return false;
            }
            remove = true;
        }
        if (remove && !QFile::remove(path)) {
            emit showError(tr("Could not remove file: %1").arg(path));
            return false;
        }
    }
    m_reportFile.setFileName(path);
    if (!openPrivately(m_reportFile, path)) {
        emit showError(tr("Could not create report file."));
        return false;
    }
    return true;
}

bool AbstractOperation::loadServerList(const QString& path)
{
    m_csvParser = std::make_unique<kelp::CsvParser>(path, true);
    connect(m_csvParser.get(), &kelp::CsvParser::finished, this, &AbstractOperation::slotCsvParsingFinished);
    if (QFileInfo(path).size() <= MAX_CSV_SIZE) {
        m_csvParser->parse();
        return true;
    }
    emit showError(tr("The CSV file is too big, the limit is %1MB").arg(1));
    return false;
}

void AbstractOperation::slotCsvParsingFinished()
{
    disconnect(m_csvParser.get(), &kelp::CsvParser::finished, this, &AbstractOperation::slotCsvParsingFinished);
    // A damaged list is refused whole: a half-read one would leave servers out
    // unsaid, or shift other rows' fields (passwords among them) into hosts.
    // The line number is all that is told of it; no field is ever echoed.
    if (m_csvParser->unclosedQuoteLine() > 0) {
        emit showError(tr("The CSV file is damaged: the quoted field opened on line %1 is never closed")
                           .arg(m_csvParser->unclosedQuoteLine()));
        endRun();
        return;
    }
    const QList<kelp::CsvParser::Row> rows = m_csvParser->getResults();
    if (!rows.isEmpty()) {
        findColumns(rows.first());
    }

    if (m_hostColumn == -1) {
        emit showError(tr("No column in CSV for hostname/IP address"));
    }
    if (m_usernameColumn == -1) {
        emit showError(tr("No column in CSV for username"));
    }
    if (m_passwordColumn == -1) {
        emit showError(tr("No column in CSV for password"));
    }
    if (m_hostColumn == -1 || m_usernameColumn == -1 || m_passwordColumn == -1) {
        endRun();
        return;
    }

    m_logins.reserve(static_cast<std::size_t>(rows.size()));
    for (const kelp::CsvParser::Row& row : rows) {
        // The parser pads every row to the header; a shorter one gives empty values.
        m_logins.emplace_back(row.value(m_usernameColumn).second, row.value(m_passwordColumn).second,
                              kelp::OrrinUrl(row.value(m_hostColumn).second, SERVER_PORT), true, false, false);
    }
    serverListLoaded();
}

void AbstractOperation::findColumns(const QList<QPair<QString, QString>>& row)
{
    for (int i = 0; i < row.size(); ++i) {
        const QString header = row.at(i).first.toLower();
        if (HOST_COLUMN_NAMES.contains(header)) {
            m_hostColumn = i;
        }
        if (USERNAME_COLUMN_NAMES.contains(header)) {
            m_usernameColumn = i;
        }
        if (PASSWORD_COLUMN_NAMES.contains(header)) {
            m_passwordColumn = i;
        }
    }
}
