#pragma once

#include "engine/operationoptions.h"

#include <QSharedPointer>
#include <QString>

#include <set>

namespace kelp {
class ConfigSystem;
}

// What a push leaves on one server, worked out offline from the server's
// configuration text with the push's own document rebuilding
// (PushDocumentBuilder) on documents of the SDK's schema, and with the
// server's Merge save: the uploaded text merged into the server's document.
class ConfigPreview final
{
public:
    // Throws kelp::ConfigSystemBadSection when the server's text holds a
    // section header the schema rejects.
    explicit ConfigPreview(const QString& serverText);

    // The server's configuration as its document writes it.
    QString currentText() const;
    // The server's configuration after pushing configText; for Replace that is
    // the uploaded document. Throws kelp::ConfigSystemBadSection exactly where
    // the push rejects configText, before anything is computed.
    QString resultText(const QString& configText, PushMode mode, const std::set<QString>& preservedKinds) const;

private:
    // A new document of the SDK's schema holding the server's configuration.
    QSharedPointer<kelp::ConfigSystem> serverDocument() const;

    QString m_serverText;
};
