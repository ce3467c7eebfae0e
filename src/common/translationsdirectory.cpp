#include "common/translationsdirectory.h"

#include <QDir>

namespace common {

QString translationsDirectory(const QString& applicationDir)
{
    const QString beside = applicationDir + QStringLiteral("/translations");
    // An empty or foreign translations folder beside the program is not ours.
    if (!QDir(beside).entryList(QStringList{QStringLiteral("quorlan_*.qm")}, QDir::Files).isEmpty()) {
        return beside;
    }
    return QDir::cleanPath(applicationDir + QStringLiteral("/../share/quorlan/translations"));
}

} // namespace common
