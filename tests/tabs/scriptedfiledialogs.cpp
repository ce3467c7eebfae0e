#include "scriptedfiledialogs.h"

ScriptedFileDialogs::ScriptedFileDialogs(std::shared_ptr<Script> script) : m_script(std::move(script))
{
}

QString ScriptedFileDialogs::openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                          const QString& filter)
{
    return answer({QStringLiteral("open"), parent, caption, directory, filter, {}});
}

QString ScriptedFileDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& directory)
{
    return answer({QStringLiteral("save"), parent, caption, directory, QString(), {}});
}

QString ScriptedFileDialogs::existingDirectory(QWidget* parent, const QString& caption, const QString& directory,
                                               QFileDialog::Options options)
{
    return answer({QStringLiteral("directory"), parent, caption, directory, QString(), options});
}

QString ScriptedFileDialogs::answer(Call call)
{
    m_script->calls.append(std::move(call));
    return m_script->answers.isEmpty() ? QString() : m_script->answers.takeFirst();
}
