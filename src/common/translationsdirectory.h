#pragma once

#include <QString>

namespace common {

// The directory that holds the compiled "quorlan" translations for a program
// whose executable is in applicationDir: "translations" beside it when that
// holds any quorlan_*.qm (a build folder), otherwise
// "../share/quorlan/translations" relative to it (an installed tree, under
// whatever prefix it was installed). The second is returned even when it
// does not exist; the texts then stay untranslated.
QString translationsDirectory(const QString& applicationDir);

} // namespace common
