#include "operations/pushdocumentbuilder.h"

#include "configsystem/configsystem.h"
#include "sdk/configschema.h"

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
