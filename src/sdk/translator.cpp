#include "sdk/translator.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <algorithm>

namespace kelp {

Translator* Translator::instance()
{
    static Translator translator;
    return &translator;
}

Translator::Translator() = default;

Translator::~Translator() = default;

void Translator::addModule(const QString& name, const QString& directory, bool enabled)
{
    const auto existing =
        std::find_if(m_modules.begin(), m_modules.end(), [&name](const Module& module) { return module.name == name; });
    if (existing != m_modules.end()) {
        *existing = Module{name, directory, enabled};
    } else {
        m_modules.append(Module{name, directory, enabled});
    }
    reload();
}

void Translator::setLocale(const QLocale& locale)
{
    m_locale = locale;
    reload();
}

void Translator::reload()
{
    // Destroying a QTranslator also uninstalls it.
    m_installed.clear();

    const auto install = [this](const QString& name, const QString& directory) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(m_locale, name, QStringLiteral("_"), directory) &&
            QCoreApplication::installTranslator(translator.get())) {
            m_installed.push_back(std::move(translator));
        }
    };

    // Translators installed later are searched first, so the modules' own
    // texts win over Qt's.
    install(QStringLiteral("qtbase"), QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    for (const Module& module : qAsConst(m_modules)) {
        if (module.enabled) {
            install(module.name, module.directory);
        }
    }
}

} // namespace kelp
