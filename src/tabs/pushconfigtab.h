#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class FileDialogs;
class OperationOptions;
class PushConfigOperation;
class TabControls;

namespace Ui {
class PushConfigTab;
}

// The Push page: collects the CSV server list, the configuration file or
// snippet, an optional report file, the push mode and which of the servers'
// own sections to keep, holds them in its PushConfigOperation's options,
// remembers them per user, and starts, cancels and logs the runs. The tab
// owns its one operation for its whole life.
class PushConfigTab : public QWidget
{
    Q_OBJECT

public:
    explicit PushConfigTab(QWidget* parent);
    ~PushConfigTab() override;

    // Stores the paths as typed, the check boxes and the mode's key; the
    // main window calls it when it closes.
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
    void slotConfigButtonClicked();
    void handleConfigFilePathEdited();
    void slotCsvButtonClicked();
    void handleCsvServerListPathEdited();
    void slotReportButtonClicked();
    void handleReportPathEdited();
    void slotLicenceCheckboxStateChanged(int state);
    void slotNetworkCheckboxStateChanged(int state);
    void slotRestartServerCheckboxStateChanged(int state);
    void handleConfigModeChanged(int index);
    void slotStart();
    void slotCancel();
    void handleShowMessage(QString msg);
    void handleShowError(QString msg);
    void handleOperationFinished();

private:
    void loadSettings();
    void validateInputs();
    void preserveSection(const QString& kind, int state);

    // Declared before the form so that the form goes first on destruction.
    std::unique_ptr<PushConfigOperation> m_operation;
    std::unique_ptr<Ui::PushConfigTab> ui;
    std::unique_ptr<TabControls> m_controls;
};
