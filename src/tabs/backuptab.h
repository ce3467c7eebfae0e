#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class BackupOperation;
class FileDialogs;
class OperationOptions;
class TabControls;

namespace Ui {
class BackupTab;
}

// The Backup page: collects the CSV server list, an optional report file,
// the output directory and the naming convention, keeps them in its
// BackupOperation's options, remembers them per user, and starts, cancels
// and logs the runs. The tab owns its one operation for its whole life.
class BackupTab : public QWidget
{
    Q_OBJECT

public:
    explicit BackupTab(QWidget* parent);
    ~BackupTab() override;

    // Stores the paths as typed and the naming convention's key; the main
    // window calls it when it closes.
    void saveSettings();

    // The choices the next run will use.
    const OperationOptions& options() const;
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    // Keeps Start disabled while the other tab runs; the form stays editable.
    void setStartBlocked(bool blocked);

signals:
    void runningChanged(bool running);
    // The run's progress, then its outcome, which stays until the next run.
    void runStatusChanged(const QString& status);

public slots:
    void slotCsvButtonClicked();
    void handleCsvServerListPathEdited();
    void slotReportButtonClicked();
    void handleReportPathEdited();
    void slotConfigButtonClicked();
    void handleConfigPathEdited();
    void handleConfigModeChanged(int index);
    void slotStart();
    void slotCancel();
    void handleShowMessage(QString msg);
    void handleShowError(QString msg);
    void handleOperationFinished();

private:
    void loadSettings();
    void validateInputs();

    // Declared before the form so that the form goes first on destruction.
    std::unique_ptr<BackupOperation> m_operation;
    std::unique_ptr<Ui::BackupTab> ui;
    std::unique_ptr<TabControls> m_controls;
};
