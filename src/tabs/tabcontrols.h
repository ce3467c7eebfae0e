#pragma once

#include "tabs/logviewwriter.h"
#include "tabs/runprogress.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class AbstractOperation;
class FileDialogs;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QWidget;

// What the Backup and Push tabs have in common, kept in one place: the run
// control around the settings box and the Start/Cancel buttons, the log
// view, the browse dialogs and validity borders of the path rows, the mode
// combo with its untranslated item keys, the stored paths and mode, and the
// run's progress and outcome in one line for the window's status bar.
//
// The widgets belong to the tab's form; the tab creates this object after
// its form and destroys it before the form's widgets go.
class TabControls final : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QWidget* tab;
        QGroupBox* settings;
        QPushButton* start;
        QPushButton* cancel;
        QTextEdit* log;
        QComboBox* mode;
    };

    explicit TabControls(const Widgets& widgets);
    ~TabControls() override;

    // Replaces the dialogs that the browse buttons open (tests answer them).
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);

    // Each puts the dialog's answer into the line edit, even the empty
    // answer of a cancelled dialog.
    void browseForOpenFile(QLineEdit* edit, const QString& caption, const QString& filter);
    void browseForSaveFile(QLineEdit* edit, const QString& caption);
    void browseForDirectory(QLineEdit* edit, const QString& caption);

    // Gives the line edit the border of a usable or unusable path; returns valid.
    static bool markPath(QLineEdit* edit, bool valid);

    // Enables Start when the paths are usable and no run is blocking it.
    void enableStart(bool inputsValid);
    // While a run goes on in the other tab, Start stays disabled and says why;
    // the tab validates its inputs again after each change.
    void setStartBlocked(bool blocked);

    // Locks the settings, clears the log and starts the operation.
    void beginRun(AbstractOperation& operation);
    void cancelRun(AbstractOperation& operation);
    // Unlocks the settings for the next run.
    void endRun();

    void appendMessage(const QString& msg);
    void appendError(const QString& msg);

    void addMode(const QString& text, const QString& key);
    QString currentModeKey() const;
    // Selects the first item whose key is the stored "mode" of the group
    // (the first item when none matches) and returns its index.
    int loadMode(const QString& group, const QString& defaultKey);
    void saveMode(const QString& group) const;

    // The stored path goes into the line edit as it was saved, untrimmed.
    static void loadPath(QLineEdit* edit, const QString& key, const QString& group);
    static void savePath(const QLineEdit* edit, const QString& key, const QString& group);

signals:
    void runningChanged(bool running);
    // The run's progress, then its outcome, which stays until the next run.
    void runStatusChanged(const QString& status);

private:
    // Progress goes out at most every few milliseconds; the start and the end at once.
    void reportStatus();

    Widgets m_widgets;
    std::unique_ptr<FileDialogs> m_fileDialogs;
    LogViewWriter m_log;
    RunProgress m_progress;
    QTimer m_statusTimer;
    bool m_startBlocked = false;
};
