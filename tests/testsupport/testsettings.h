#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <array>

namespace testsupport {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_CACHE_HOME into a temporary directory for as long as it lives
// (child processes inherit them), so options and logs never reach the real user's files. Construct it before
// anything reads settings, as the first member of the test object; it aborts the test process if QSettings had
// already settled on another location.
class TestSettings final
{
public:
    TestSettings();
    ~TestSettings();

    TestSettings(const TestSettings&) = delete;
    TestSettings& operator=(const TestSettings&) = delete;

    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }

private:
    QTemporaryDir m_root;
    // The variables' values before, restored on destruction (null: unset).
    std::array<QByteArray, 3> m_previous;
};

} // namespace testsupport
