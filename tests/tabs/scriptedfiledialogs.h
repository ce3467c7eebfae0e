#pragma once

#include "tabs/filedialogs.h"

#include <QStringList>
#include <QVector>

#include <memory>

// Answers the tabs' browse dialogs without showing one, and records how each
// was asked. The tab owns the dialogs object; the test keeps the shared
// script to set answers and read the calls.
class ScriptedFileDialogs final : public FileDialogs
{
public:
    struct Call
    {
        QString kind; // "open", "save" or "directory"
        QWidget* parent = nullptr;
        QString caption;
        QString directory;
        QString filter;
        QFileDialog::Options options;
    };

    struct Script
    {
        // Taken from the front, one per dialog; an empty answer is a cancelled dialog.
        QStringList answers;
        QVector<Call> calls;
    };

    explicit ScriptedFileDialogs(std::shared_ptr<Script> script);

    QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& directory) override;
    QString existingDirectory(QWidget* parent, const QString& caption, const QString& directory,
                              QFileDialog::Options options) override;

private:
    QString answer(Call call);

    std::shared_ptr<Script> m_script;
};
