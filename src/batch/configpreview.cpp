#include "batch/configpreview.h"

#include "configsystem/configsystem.h"
#include "operations/pushdocumentbuilder.h"
#include "sdk/configschema.h"

ConfigPreview::ConfigPreview(const QString& serverText) : m_serverText(serverText)
{
    // Loaded once here so that a rejected header shows before any push is worked out.
    serverDocument();
}

QString ConfigPreview::currentText() const
{
    return serverDocument()->toText();
}

QString ConfigPreview::resultText(const QString& configText, PushMode mode,
                                  const std::set<QString>& preservedKinds) const
{
    const QSharedPointer<kelp::ConfigSystem> server = serverDocument();
    // The push edits the server's working copy, which holds what the server holds.
    const QSharedPointer<kelp::ConfigSystem> uploaded = serverDocument();
    PushDocumentBuilder(configText).rebuild(*uploaded, PushDocumentBuilder::preservedText(*server, preservedKinds));
    if (mode == PushMode::Replace) {
        return uploaded->toText();
    }
    server->loadText(uploaded->toText(), true, false);
    return server->toText();
}

QSharedPointer<kelp::ConfigSystem> ConfigPreview::serverDocument() const
{
    QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    document->loadText(m_serverText, false, false);
    return document;
}
