#include "operations/backupfilewriter.h"
#include "operations/backupoperation.h"

#include "engine/support/operationrecorder.h"

#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <set>
#include <thread>
#include <vector>

using enginetest::writeFile;

namespace {

using Status = BackupFileWriter::Status;

// Every name in the directory, hidden files and links that lead nowhere included.
QStringList entries(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

int mode(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// The names of the unique-name rule, as the backup chooses them.
BackupFileWriter::NameChooser ruleFor(const QString& path)
{
    return [path] { return BackupOperation::uniqueFilePath(path, &BackupFileWriter::isTaken); };
}

} // namespace

// Backup files appear whole under a free name or not at all, private, and
// never in place of anything already there.
class TestBackupFileWriter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // An absolute name as it is, an empty one empty, any other in the directory.
    QString at(const QString& name) const { return name.isEmpty() || name.startsWith('/') ? name : path(name); }

private slots:
    void init()
    {
        for (const QString& name : entries(m_dir.path())) {
            QVERIFY(QFile::remove(path(name)));
        }
    }

    void publishesUnderTheFirstFreeName_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList{} << ""
                              << "A.conf";
        QTest::newRow("taken") << QStringList{"A.conf"} << ""
                               << "A (1).conf";
        QTest::newRow("taken twice") << QStringList{"A.conf", "A (1).conf"} << ""
                                     << "A (2).conf";
        QTest::newRow("link leading nowhere") << QStringList{} << "A.conf"
                                              << "A (1).conf";
        QTest::newRow("numbered link") << QStringList{"A.conf"} << "A (1).conf"
                                       << "A (2).conf";
    }
    void publishesUnderTheFirstFreeName()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, link);
        QFETCH(QString, expected);
        for (const QString& name : files) {
            QVERIFY(writeFile(path(name), "old"));
        }
        if (!link.isEmpty()) {
            QVERIFY(QFile::link(path("nowhere/x.conf"), path(link)));
        }
        // A umask that would leave the owner unable to write.
        const mode_t umask = ::umask(0277);
        const BackupFileWriter::Result result =
            BackupFileWriter::write(path("A.conf"), "new\n", ruleFor(path("A.conf")));
        ::umask(umask);

        QCOMPARE(int(result.status), int(Status::Written));
        QCOMPARE(result.path, path(expected));
        QCOMPARE(contents(result.path), QByteArray("new\n"));
        QCOMPARE(mode(result.path), 0600);
        for (const QString& name : files) {
            QCOMPARE(contents(path(name)), QByteArray("old"));
        }
        QStringList all = files << expected;
        if (!link.isEmpty()) {
            QCOMPARE(QFileInfo(path(link)).symLinkTarget(), path("nowhere/x.conf"));
            all << link;
        }
        all.sort();
        QCOMPARE(entries(m_dir.path()), all);
    }

    void nameTakenAfterItWasChosenIsNotReplaced()
    {
        QVERIFY(writeFile(path("A.conf"), "old"));
        // Chosen while free, taken by someone else before the file got its name.
        QStringList choices{path("A.conf"), path("A (1).conf")};
        const auto stale = [&choices] { return choices.takeFirst(); };
        const BackupFileWriter::Result result = BackupFileWriter::write(path("A.conf"), "new", stale);
        QCOMPARE(int(result.status), int(Status::Written));
        QCOMPARE(result.path, path("A (1).conf"));
        QCOMPARE(choices, QStringList());
        QCOMPARE(contents(path("A.conf")), QByteArray("old"));
        QCOMPARE(entries(m_dir.path()), (QStringList{"A (1).conf", "A.conf"}));
    }

    void failuresLeaveNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<int>("status");
        const int created = int(Status::CouldNotCreate);
        // Nobody, not even root, creates files in /proc.
        QTest::newRow("directory not writable") << "/proc/A.conf" << QStringList{"/proc/A.conf"} << 0 << created;
        QTest::newRow("no name left") << "A.conf" << QStringList{""} << 0 << int(Status::NamesExhausted);
        QTest::newRow("write cut short") << "A.conf" << QStringList{"A.conf"} << 100 << created;
        QTest::newRow("name in no directory") << "A.conf" << QStringList{"none/A.conf"} << 0 << created;
    }
    void failuresLeaveNothing()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, choices);
        QFETCH(int, sizeLimit);
        const auto next = [this, &choices] {
            return choices.isEmpty() ? path("asked once too often") : at(choices.takeFirst());
        };
        rlimit limit;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit cut{rlim_t(sizeLimit), limit.rlim_max};
        // Beyond the limit a write fails (and signals SIGXFSZ, which would end the test).
        const auto signalHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(sizeLimit == 0 || ::setrlimit(RLIMIT_FSIZE, &cut) == 0);
        const BackupFileWriter::Result result = BackupFileWriter::write(at(file), QByteArray(1000, 'x'), next);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, signalHandler);

        QTEST(int(result.status), "status");
        QCOMPARE(result.path, QString());
        QCOMPARE(entries(m_dir.path()), QStringList());
    }

    void concurrentWritersLoseNothing()
    {
        constexpr int kWriters = 4;
        constexpr int kFiles = 25;
        std::vector<std::vector<BackupFileWriter::Result>> results(kWriters);
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w) {
            writers.emplace_back([this, w, &results] {
                for (int i = 0; i < kFiles; ++i) {
                    const QByteArray text = QByteArray::number(w * kFiles + i);
                    results[w].push_back(BackupFileWriter::write(path("A.conf"), text, ruleFor(path("A.conf"))));
                }
            });
        }
        for (std::thread& writer : writers) {
            writer.join();
        }

        std::set<QByteArray> found;
        for (int w = 0; w < kWriters; ++w) {
            for (int i = 0; i < kFiles; ++i) {
                QCOMPARE(int(results[w][i].status), int(Status::Written));
                // Each file holds what its writer wrote, so no two writers shared a name.
                QCOMPARE(contents(results[w][i].path), QByteArray::number(w * kFiles + i));
                found.insert(results[w][i].path.toUtf8());
            }
        }
        QCOMPARE(int(found.size()), kWriters * kFiles);
        QCOMPARE(entries(m_dir.path()).size(), kWriters * kFiles);
    }
};

QTEST_GUILESS_MAIN(TestBackupFileWriter)
#include "tst_backupfilewriter.moc"
