#pragma once

#include <QString>

class QApplication;

namespace startup {

// The directory of the compiled translations: beside the executable, or in
// the installed share/ folder (common::translationsDirectory).
QString translationsPath();

// Gives the application its fixed look (style sheet, then the Fusion style)
// and loads the "quorlan" translations for the system locale. Called once,
// right after the QApplication is constructed and before any window exists.
void prepareApplication(QApplication& application);

} // namespace startup
