#include "app/startup.h"

#include "common/translationsdirectory.h"
#include "sdk/translator.h"

#include <QApplication>
#include <QLocale>
#include <QStyleFactory>

namespace startup {

namespace {
const char* const kStyleSheet = "QWidget { background-color: #2B2E36; }"
                                "QWidget { color: #DFEDE6; }"
                                "QWidget:disabled { color: #606063; }"
                                "QComboBox { color: #DFEDE6 ;  padding: 1px 0px 1px 3px; }"
                                "QLineEdit { border: 2px solid #606063; }";
} // namespace

QString translationsPath()
{
    return common::translationsDirectory(QCoreApplication::applicationDirPath());
}

void prepareApplication(QApplication& application)
{
    application.setStyleSheet(QLatin1String(kStyleSheet));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The translator is a singleton of its own; it needs no opened SDK.
    kelp::Translator::instance()->addModule(QStringLiteral("quorlan"), translationsPath(), true);
    kelp::Translator::instance()->setLocale(QLocale());
}

} // namespace startup
