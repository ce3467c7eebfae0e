#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <array>

namespace testsupport {

// Gives the test process its own per-user directories: XDG_CONFIG_HOME,
// XDG_DATA_HOME and XDG_CACHE_HOME point into a temporary directory for as
// long as this object lives (then they are restored), so options and logs never reach the real user's
// files. Child processes started meanwhile inherit the same directories.
//
// Construct it before anything reads settings: as the first member of the
// test object (QTEST_MAIN creates only the application before it). Aborts the
// test process if QSettings had already settled on another location.
class TestSettings final
{
public:
    TestSettings();
    ~TestSettings();

    TestSettings(const TestSettings&) = delete;
    TestSettings& operator=(const TestSettings&) = delete;

    QString configHome() const;
    QString dataHome() const;

private:
    QTemporaryDir m_root;
    // The variables' values before, restored on destruction (null: unset).
    std::array<QByteArray, 3> m_previous;
};

} // namespace testsupport
