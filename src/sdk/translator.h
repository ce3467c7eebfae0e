#pragma once

#include <QLocale>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

class QTranslator;

namespace kelp {

// Loads translation modules for the chosen locale: "<directory>/<name>_<locale>.qm"
// for every module added, plus Qt's own base translations where present.
// A missing directory or file is not an error: the texts stay untranslated.
class Translator final
{
public:
    static Translator* instance();

    void addModule(const QString& name, const QString& directory, bool enabled);
    void setLocale(const QLocale& locale);
    QLocale locale() const { return m_locale; }

    ~Translator();

private:
    Translator();
    void reload();

    struct Module
    {
        QString name;
        QString directory;
        bool enabled;
    };
    QVector<Module> m_modules;
    QLocale m_locale;
    std::vector<std::unique_ptr<QTranslator>> m_installed;
};

} // namespace kelp
