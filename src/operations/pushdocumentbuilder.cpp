#include "operations/pushdocumentbuilder.h"

#include "configsystem/configsystem.h"
#include "configsystem/configsystemerror.h"
#include "sdk/configschema.h"

#include <QFile>

PushDocumentBuilder::PushDocumentBuilder(const QString& configText) : m_configText(configText)
{
    // The first load of rebuild() already replaces the content, so a header
    // the merge would reject must be found before it: here, once.
    try {
        kelp::createConfigDocument()->checkText(configText, true);
    } catch (const kelp::ConfigSystemBadSection& error) {
        m_rejection = std::current_exception();
        m_rejectionText = QString::fromUtf8(error.what());
    }
}

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

void PushDocumentBuilder::rebuild(kelp::ConfigSystem& document, const QString& preservedText) const
{
    if (m_rejection) {
        std::rethrow_exception(m_rejection);
    }
    document.loadText(preservedText, false, false);
    document.loadText(m_configText, true, false);
}
