#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class QTextEdit;
class QWidget;

// Helpers for the tests of the operation tabs and of the window that holds them.
namespace tabtest {

// Opens the SDK the way the main window does, so the tabs can read and
// write their settings (in the test's own settings directory).
void openSdk();

// Forgets every stored option, as on a first start.
void clearStoredSettings();

// Stores one option through the SDK's option store.
void store(const QString& group, const QString& key, const QVariant& value);
QVariant stored(const QString& group, const QString& key);

// The child of `parent` with that object name and class; aborts the test
// process when there is none (a form without it cannot be tested further).
template <typename T> T* child(const QObject& parent, const char* name)
{
    T* object = parent.findChild<T*>(QLatin1String(name));
    if (!object) {
        qFatal("%s has no %s named %s", parent.metaObject()->className(), T::staticMetaObject.className(), name);
    }
    return object;
}

// "<class> at <place>" (placeOf below) for the one child of `root` with that
// object name; says so when there is none or more than one.
QString describeItem(const QWidget* root, const QString& objectName);

// Where a widget, layout or spacer of `root` sits: "<layout>(<row>,<column>)"
// in a grid, "<layout>[<index>]" in a box layout, "top" for the layout of
// `root` itself, or "" when it is not found in any layout.
QString placeOf(const QWidget* root, const QString& objectName);

// How a log view is set up, as one comparable line: undo/redo, text
// interaction, whether it is empty, and the font of its paragraph, e.g.
// "undo off, interaction 0, empty, Cantarell 11pt weight 50 upright".
QString logViewSetUp(const QTextEdit* log);

// The log view's paragraphs, one per appended line.
QStringList logLines(const QTextEdit* log);

// Writes `text` to `path` (UTF-8); aborts the test on failure.
void writeFile(const QString& path, const QByteArray& text);

} // namespace tabtest
