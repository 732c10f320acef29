// What the About box says: the version, the licence, where the source is, the PDF engine and the
// sandbox its workers run in.
#pragma once

#include <QString>

namespace AboutText {

QString text(const QString& applicationTitle);

} // namespace AboutText
