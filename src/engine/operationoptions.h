#pragma once

#include <QString>

#include <set>

// How a backup names its files: after the server's name, its host, or both.
enum class NamingMode : qint32
{
    ServerName = 0,
    IPHost = 1,
    Both = 2
};

// How a push uploads: merged section by section, or as the whole configuration.
enum class PushMode : qint32
{
    Merge = 0,
    Replace = 1
};

// The choices of one run, written by the owning tab before start() and only
// read by the operation. A plain record: every field starts empty, false or 0.
class OperationOptions
{
public:
    QString reportPath() const { return m_reportPath; }
    void setReportPath(const QString& path) { m_reportPath = path; }

    QString csvPath() const { return m_csvPath; }
    void setCsvPath(const QString& path) { m_csvPath = path; }

    QString configFilePath() const { return m_configFilePath; }
    void setConfigFilePath(const QString& path) { m_configFilePath = path; }

    QString outputDirectory() const { return m_outputDirectory; }
    void setOutputDirectory(const QString& directory) { m_outputDirectory = directory; }

    // Section kind names, walked in ascending order (QString's operator<).
    const std::set<QString>& preservedSections() const { return m_preservedSections; }
    void insertPreservedSection(const QString& kind) { m_preservedSections.insert(kind); }
    void removePreservedSection(const QString& kind) { m_preservedSections.erase(kind); }

    bool restartServers() const { return m_restartServers; }
    void setRestartServers(bool restart) { m_restartServers = restart; }

    // A PushMode value.
    qint32 pushMode() const { return m_pushMode; }
    void setPushMode(qint32 mode) { m_pushMode = mode; }

    // A NamingMode value.
    qint32 namingMode() const { return m_namingMode; }
    void setNamingMode(qint32 mode) { m_namingMode = mode; }

private:
    QString m_reportPath;
    QString m_csvPath;
    QString m_configFilePath;
    QString m_outputDirectory;
    std::set<QString> m_preservedSections;
    bool m_restartServers = false;
    qint32 m_pushMode = 0;
    qint32 m_namingMode = 0;
};
