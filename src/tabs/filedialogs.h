#pragma once

#include <QFileDialog>
#include <QString>

class QWidget;

// The file dialogs behind the tabs' "..." buttons. The default answers with
// the real modal QFileDialog; a test derives from it to answer without a
// dialog on screen. An empty string means the user cancelled.
class FileDialogs
{
public:
    FileDialogs() = default;
    virtual ~FileDialogs();

    FileDialogs(const FileDialogs&) = delete;
    FileDialogs& operator=(const FileDialogs&) = delete;

    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter);
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& directory);
    virtual QString existingDirectory(QWidget* parent, const QString& caption, const QString& directory,
                                      QFileDialog::Options options);
};
