#include "operations/pushdocumentbuilder.h"

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"

#include <QFile>

std::optional<QString> PushDocumentBuilder::readConfigFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    QString text;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (file.error() != QFileDevice::NoError) {
            return std::nullopt;
        }
        text.append(QString::fromUtf8(line));
    }
    return text;
}

QString PushDocumentBuilder::preservedText(const kelp::ConfigSystem& serverDocument, const std::set<QString>& kinds)
{
    QString text;
    for (const QString& kind : kinds) {
        const QList<QStringRef> names = serverDocument.sectionNamesOfKind(kind);
        for (const QStringRef& name : names) {
            text += QLatin1Char('\n');
            text += serverDocument.sectionText(name.toString());
        }
    }
    return text;
}

void PushDocumentBuilder::rebuild(kelp::ConfigSystem& document, const QString& preservedText, const QString& configText)
{
    // The first load below already replaces the content, so a header the
    // schema rejects must be found on a scratch document before it.
    kelp::createConfigDocument()->loadText(configText, false, false);
    document.loadText(preservedText, false, false);
    document.loadText(configText, true, false);
}
