#include "tabs/filedialogs.h"

FileDialogs::~FileDialogs() = default;

QString FileDialogs::openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                  const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString FileDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& directory)
{
    // No options: the dialog's own question before replacing a file stays on.
    return QFileDialog::getSaveFileName(parent, caption, directory);
}

QString FileDialogs::existingDirectory(QWidget* parent, const QString& caption, const QString& directory,
                                       QFileDialog::Options options)
{
    return QFileDialog::getExistingDirectory(parent, caption, directory, options);
}
