#include "ui/common/KeyNames.h"

#include "base/L10n.h"

namespace KeyNames {

QString withControl(const QString& key) {
    // Qt's own key-name translations are not installed everywhere; the table gives the same
    // words deterministically.
    return L10n::lookup("Strg") + QLatin1Char('+') + key;
}

} // namespace KeyNames
