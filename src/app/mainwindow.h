#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class MainWindow;
}

// The one top-level window. Opens the SDK, restores its geometry from the
// per-user options and stores it again on every close.
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
    void saveSettings();

    std::unique_ptr<Ui::MainWindow> ui;
};
