#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <set>

namespace kelp {
class ConfigSystem;
}

// Builds the document a push uploads: the server's preserved sections
// followed by the configuration file's sections. The one implementation,
// shared by the push operation and the batch preview. One builder serves a
// whole run: the configuration text is checked once, when it is made.
class PushDocumentBuilder
{
public:
    // Checks configText against the SDK's schema as the merge of rebuild()
    // reads it; a header the schema rejects is remembered, not thrown.
    explicit PushDocumentBuilder(const QString& configText);

    // The configuration file as the push uploads it: read line by line in text
    // mode (CR LF becomes LF), decoded as UTF-8. No value when it cannot be
    // opened or read.
    static std::optional<QString> readConfigFile(const QString& path);
    // "\n" + sectionText(name) for every section of each kind, kinds ascending,
    // sections of one kind in document order.
    static QString preservedText(const kelp::ConfigSystem& serverDocument, const std::set<QString>& kinds);

    // Replaces the document's content by preservedText and merges the
    // configuration text into it. When the check found a rejected header,
    // throws that kelp::ConfigSystemBadSection instead, before the document is
    // touched.
    void rebuild(kelp::ConfigSystem& document, const QString& preservedText) const;
    // What the check found wrong with a header; empty when the schema accepts them all.
    QString rejection() const { return m_rejectionText; }

private:
    QString m_configText;
    std::exception_ptr m_rejection;
    QString m_rejectionText;
};
