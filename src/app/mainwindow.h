#pragma once

#include <QMainWindow>

#include <memory>

class BackupTab;
class QLabel;
class PushConfigTab;

namespace Ui {
class MainWindow;
}

// The one top-level window. Opens the SDK, restores its geometry from the
// per-user options, shows the Push and Backup pages, and stores its geometry
// and the pages' settings again on every close. Only one page runs at a time
// (the two operations would share the SDK's connection events), and the
// status bar shows the progress and the outcome of the latest run.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void restoreGeometryFromSettings();
    void createTabs();
    void connectRuns();
    void saveSettings();

    std::unique_ptr<Ui::MainWindow> ui;
    // Owned by the tab widget once added.
    PushConfigTab* m_pushTab = nullptr;
    BackupTab* m_backupTab = nullptr;
    // Owned by the status bar.
    QLabel* m_runStatus = nullptr;
};
