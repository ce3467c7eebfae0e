#pragma once

#include <QString>

#include <optional>
#include <set>

namespace kelp {
class ConfigSystem;
}

// Builds the document a push uploads: the server's preserved sections
// followed by the configuration file's sections. The one implementation,
// shared by the push operation and the batch preview.
class PushDocumentBuilder
{
public:
    // The configuration file as the push uploads it: read line by line in text
    // mode (CR LF becomes LF), decoded as UTF-8. No value when it cannot be
    // opened or read.
    static std::optional<QString> readConfigFile(const QString& path);
    // "\n" + sectionText(name) for every section of each kind, kinds ascending,
    // sections of one kind in document order.
    static QString preservedText(const kelp::ConfigSystem& serverDocument, const std::set<QString>& kinds);
    // Checks configText against the SDK's schema first (throws
    // kelp::ConfigSystemBadSection before `document` is touched), then
    // replaces the document's content by preservedText and merges configText
    // into it.
    static void rebuild(kelp::ConfigSystem& document, const QString& preservedText, const QString& configText);
};
