#include "tabtestsupport.h"

#include "sdk/kelpsdk.h"
#include "sdk/localuserconfig.h"

#include <QBoxLayout>
#include <QFile>
#include <QGridLayout>
#include <QSettings>
#include <QSpacerItem>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

namespace tabtest {

namespace {
// The object name of what a layout item holds: a widget, a layout, or a
// spacer (spacers carry no name; they are reported as "spacer").
QString itemName(QLayoutItem* item)
{
    if (item->widget()) {
        return item->widget()->objectName();
    }
    if (item->layout()) {
        return item->layout()->objectName();
    }
    return item->spacerItem() ? QStringLiteral("spacer") : QString();
}
} // namespace

void openSdk()
{
    kelp::KelpSDK::initInstance(QStringLiteral("Brindlowe"), QStringLiteral("quorlan"), nullptr,
                                QStringLiteral("kelpsdk.log"));
}

void clearStoredSettings()
{
    // The store's own QSettings shares its file cache with this one, so it
    // sees the cleared file at once.
    QSettings settings(kelp::KelpSDK::instance()->userConfig()->fileName(), QSettings::NativeFormat);
    settings.clear();
    settings.sync();
}

void store(const QString& group, const QString& key, const QVariant& value)
{
    kelp::KelpSDK::instance()->userConfig()->setOption(key, value, group);
}

QVariant stored(const QString& group, const QString& key)
{
    return kelp::KelpSDK::instance()->userConfig()->getOption(key, group);
}

QString placeOf(const QWidget* root, const QString& objectName)
{
    if (root->layout() && root->layout()->objectName() == objectName) {
        return QStringLiteral("top");
    }
    const QList<QLayout*> layouts = root->findChildren<QLayout*>();
    for (QLayout* layout : layouts) {
        for (int i = 0; i < layout->count(); ++i) {
            if (itemName(layout->itemAt(i)) != objectName) {
                continue;
            }
            if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
                int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
                grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
                return QStringLiteral("%1(%2,%3)").arg(layout->objectName()).arg(row).arg(column);
            }
            return QStringLiteral("%1[%2]").arg(layout->objectName()).arg(i);
        }
    }
    return QString();
}

QString logViewSetUp(const QTextEdit* log)
{
    const QTextCharFormat format = log->document()->firstBlock().charFormat();
    return QStringLiteral("undo %1, interaction %2, %3, %4 %5pt weight %6 %7")
        .arg(log->isUndoRedoEnabled() ? QStringLiteral("on") : QStringLiteral("off"))
        .arg(int(log->textInteractionFlags()))
        .arg(log->document()->isEmpty() ? QStringLiteral("empty") : QStringLiteral("not empty"))
        .arg(format.fontFamily())
        .arg(format.fontPointSize())
        .arg(format.fontWeight())
        .arg(format.fontItalic() ? QStringLiteral("italic") : QStringLiteral("upright"));
}

QString describeItem(const QWidget* root, const QString& objectName)
{
    const QList<QObject*> found = root->findChildren<QObject*>(objectName);
    if (found.size() != 1) {
        return QStringLiteral("%1 objects named %2").arg(found.size()).arg(objectName);
    }
    return QString::fromLatin1(found.first()->metaObject()->className()) + QStringLiteral(" at ") +
           placeOf(root, objectName);
}

QStringList logLines(const QTextEdit* log)
{
    return log->toPlainText().split(QLatin1Char('\n'));
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

} // namespace tabtest
