#include "sdk/translator.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kModuleDir = QStringLiteral(QUORLAN_TRANSLATIONS_DIR);
const QLocale kGerman(QLocale::German, QLocale::Germany);

QString noErrorText()
{
    return QCoreApplication::translate("kelp::LoginError", "No error");
}
} // namespace

class TestTranslator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void localeSwitchReloadsModules();
    void disabledModuleIsNotLoaded();
    void addingAModuleAgainReplacesIt();
    void missingDirectoryOrFileLeavesTextsUntranslated_data();
    void missingDirectoryOrFileLeavesTextsUntranslated();
    void qtBaseTranslationsAreLoaded();
};

void TestTranslator::init()
{
    kelp::Translator::instance()->setLocale(QLocale::c());
    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), kModuleDir, true);
}

void TestTranslator::localeSwitchReloadsModules()
{
    kelp::Translator* translator = kelp::Translator::instance();
    QCOMPARE(noErrorText(), QStringLiteral("No error"));

    translator->setLocale(kGerman);
    QCOMPARE(translator->locale(), kGerman);
    QCOMPARE(noErrorText(), QStringLiteral("Kein Fehler"));

    translator->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(noErrorText(), QStringLiteral("No error"));
}

void TestTranslator::disabledModuleIsNotLoaded()
{
    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), kModuleDir, false);
    kelp::Translator::instance()->setLocale(kGerman);
    QCOMPARE(noErrorText(), QStringLiteral("No error"));

    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), kModuleDir, true);
    QCOMPARE(noErrorText(), QStringLiteral("Kein Fehler"));
}

void TestTranslator::addingAModuleAgainReplacesIt()
{
    kelp::Translator::instance()->setLocale(kGerman);
    QCOMPARE(noErrorText(), QStringLiteral("Kein Fehler"));

    // The same module from a directory without it: the old translator must go.
    const QTemporaryDir empty;
    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), empty.path(), true);
    QCOMPARE(noErrorText(), QStringLiteral("No error"));
}

void TestTranslator::missingDirectoryOrFileLeavesTextsUntranslated_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("directory");

    QTest::newRow("missing directory") << "quorlan"
                                       << "/nonexistent/quorlan/translations";
    QTest::newRow("missing module file") << "elsewhere" << kModuleDir;
}

void TestTranslator::missingDirectoryOrFileLeavesTextsUntranslated()
{
    QFETCH(QString, name);
    QFETCH(QString, directory);

    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), QStringLiteral("/nonexistent"), false);
    kelp::Translator::instance()->addModule(name, directory, true);
    kelp::Translator::instance()->setLocale(kGerman);
    QCOMPARE(noErrorText(), QStringLiteral("No error"));
}

void TestTranslator::qtBaseTranslationsAreLoaded()
{
    const QString qtBase = QLibraryInfo::location(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
    if (!QFileInfo::exists(qtBase)) {
        QSKIP("Qt's German base translations are not installed");
    }
    kelp::Translator::instance()->setLocale(kGerman);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

QTEST_GUILESS_MAIN(TestTranslator)
#include "tst_translator.moc"
