#include "operations/backupfilewriter.h"
#include "operations/backupoperation.h"

#include "engine/support/operationrecorder.h"

#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <thread>

using enginetest::readFile;
using Status = BackupFileWriter::Status;

// Backup files appear whole under a free name, owner-only, or not at all, and
// never in place of anything already there.
class TestBackupFileWriter : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    // An absolute or empty name as it is, any other in the directory.
    QString at(const QString& name) const { return name.isEmpty() || name[0] == '/' ? name : m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void write_data()
    {
        // taken: a file holding "old" or, with "@", a link that leads nowhere. choices: the names offered in turn.
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("written");
        const int ok = int(Status::Written), failed = int(Status::CouldNotCreate);
        QTest::newRow("taken since chosen") << "A.conf" << QStringList{"A.conf", "B.conf"} << 0 << ok << "B.conf";
        QTest::newRow("dangling link") << "@A.conf" << QStringList{"A.conf", "B.conf"} << 0 << ok << "B.conf";
        // Nobody, not even root, creates files in /proc.
        QTest::newRow("directory not writable") << "" << QStringList{"/proc/A.conf"} << 0 << failed << "";
        QTest::newRow("write cut short") << "" << QStringList{"A.conf"} << 100 << failed << "";
        QTest::newRow("name in no directory") << "" << QStringList{"no/A.conf"} << 0 << failed << "";
        QTest::newRow("no name left") << "" << QStringList{""} << 0 << int(Status::NamesExhausted) << "";
    }
    void write()
    {
        QFETCH(QString, taken);
        QFETCH(QStringList, choices);
        QFETCH(int, sizeLimit);
        QFETCH(QString, written);
        const QString link = taken.startsWith('@') ? at(taken.mid(1)) : QString();
        QVERIFY(taken.isEmpty() ||
                (link.isEmpty() ? enginetest::writeFile(at(taken), "old") : QFile::link("/no", link)));
        QCOMPARE(BackupFileWriter::isTaken(at("A.conf")), !taken.isEmpty());
        const QString target = choices.first().startsWith('/') ? choices.first() : at("A.conf");
        // Past the size limit a write fails and raises SIGXFSZ. The umask would leave the owner unable to write.
        rlimit limit;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit cut{sizeLimit ? rlim_t(sizeLimit) : limit.rlim_cur, limit.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        const mode_t umask = ::umask(0277);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &cut), 0);
        const auto result =
            BackupFileWriter::write(target, QByteArray(999, 'n'), [&] { return at(choices.takeFirst()); });
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::umask(umask);

        QTEST(int(result.status), "status");
        QCOMPARE(result.path, at(written));
        QVERIFY(written.isEmpty() || readFile(result.path) == QByteArray(999, 'n'));
        QVERIFY(written.isEmpty() ||
                (QFile::permissions(result.path) & 0x7077) == (QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(taken.isEmpty() || (link.isEmpty() ? readFile(at(taken)) == "old" : QFileInfo(link).isSymLink()));
        QCOMPARE(entries(), (QStringList{taken.remove('@'), written}.filter(QRegExp("."))));
    }

    void concurrentWritersLoseNothing()
    {
        const QString path = at("A.conf");
        const auto writeMany = [&path](int first) {
            for (int i = first; i < first + 25; ++i) {
                BackupFileWriter::write(path, QByteArray::number(i), [&path] {
                    return BackupOperation::uniqueFilePath(path, &BackupFileWriter::isTaken);
                });
            }
        };
        std::thread a(writeMany, 0), b(writeMany, 25), c(writeMany, 50);
        writeMany(75);
        a.join(), b.join(), c.join();
        // A name for every write, and no temporary file left.
        QCOMPARE(entries().size(), 100);
    }
};

QTEST_GUILESS_MAIN(TestBackupFileWriter)
#include "tst_backupfilewriter.moc"
