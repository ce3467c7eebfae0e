#include "engine/support/operationrecorder.h"
#include "operations/backupoperation.h"

#include "sdk/kelpsdk.h"
#include "testsupport/testsettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using enginetest::OperationRecorder;
using enginetest::readFile;

// The real question before an existing report file is replaced, in an
// application with a window: a warning box answered by clicking.
class TestReportQuestion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void warningBoxDecides_data();
    void warningBoxDecides();

private:
    testsupport::TestSettings m_settings;
};

void TestReportQuestion::initTestCase()
{
    kelp::KelpSDK::initInstance(QStringLiteral("QuorlanTest"), QStringLiteral("question"), nullptr,
                                QStringLiteral("kelpsdk.log"));
}

void TestReportQuestion::warningBoxDecides_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void TestReportQuestion::warningBoxDecides()
{
    QFETCH(bool, yes);

    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("report.txt"));
    const QString csv = dir.filePath(QStringLiteral("servers.csv"));
    QVERIFY(enginetest::writeFile(report, "earlier\n"));
    // No usable column: the run ends without contacting anyone.
    QVERIFY(enginetest::writeFile(csv, "name\nx\n"));

    QWidget window;
    window.show();
    BackupOperation operation;
    OperationRecorder recorder(&operation);
    operation.options().setReportPath(report);
    operation.options().setCsvPath(csv);

    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        answer.stop();
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    answer.start(20);
    QVERIFY2(recorder.run(), qPrintable(recorder.lines().join(u'\n')));

    QCOMPARE(title, QStringLiteral("File Already Exists"));
    QCOMPARE(text, QStringLiteral("The report file you have you chosen already exists. Overwrite?"));
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(readFile(report), yes ? QByteArray("ERROR: No column in CSV for hostname/IP address\n"
                                                "ERROR: No column in CSV for username\n"
                                                "ERROR: No column in CSV for password\n")
                                   : QByteArray("earlier\n"));
}

QTEST_MAIN(TestReportQuestion)

#include "tst_reportquestion.moc"
