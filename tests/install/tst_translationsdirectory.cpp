#include "common/translationsdirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestTranslationsDirectory : public QObject
{
    Q_OBJECT

private slots:
    void besideFirstThenInstalledShare_data();
    void besideFirstThenInstalledShare();
};

void TestTranslationsDirectory::besideFirstThenInstalledShare_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");

    const QString beside = QStringLiteral("bin/translations");
    const QString share = QStringLiteral("share/quorlan/translations");
    QTest::newRow("build folder: translations beside")
        << QStringList{QStringLiteral("bin/translations/quorlan_de.qm")} << beside;
    QTest::newRow("beside wins over share") << QStringList{QStringLiteral("bin/translations/quorlan_fr.qm"),
                                                           QStringLiteral("share/quorlan/translations/quorlan_de.qm")}
                                            << beside;
    QTest::newRow("installed tree: nothing beside")
        << QStringList{QStringLiteral("share/quorlan/translations/quorlan_de.qm")} << share;
    QTest::newRow("beside holds only another module")
        << QStringList{QStringLiteral("bin/translations/qtbase_de.qm"),
                       QStringLiteral("share/quorlan/translations/quorlan_de.qm")}
        << share;
    QTest::newRow("beside holds a folder, not a file")
        << QStringList{QStringLiteral("bin/translations/quorlan_de.qm/x")} << share;
    QTest::newRow("neither exists") << QStringList{} << share;
}

void TestTranslationsDirectory::besideFirstThenInstalledShare()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY2(root.isValid(), qPrintable(root.errorString()));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
    for (const QString& file : files) {
        const QString path = root.filePath(file);
        QVERIFY2(QDir().mkpath(QFileInfo(path).path()), qPrintable(path));
        QFile qm(path);
        QVERIFY2(qm.open(QIODevice::WriteOnly), qPrintable(qm.errorString()));
    }

    // The installed path is given without "..", as a user reads it in messages.
    QCOMPARE(common::translationsDirectory(root.filePath(QStringLiteral("bin"))), root.filePath(expected));
}

QTEST_GUILESS_MAIN(TestTranslationsDirectory)
#include "tst_translationsdirectory.moc"
