// Where the program's data files (translations, sample deck) are found.
#pragma once

#include <QString>

namespace DataFiles {

// The data folder beside the executable (build tree), then the installed one; empty if neither has
// it.
QString find(const QString& fileName);

} // namespace DataFiles
