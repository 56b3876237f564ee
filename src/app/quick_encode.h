// Names used by quick encoding.
#pragma once

#include <QString>

namespace morvane::app {

// The name part of a path: what follows its last folder separator (on
// Windows also a drive colon).
QString NamePart(const QString& path);

// Where quick encoding writes the code of a file: the file's name with its
// extension (the part from the last dot of the name part on) replaced by
// ".etx", or with ".etx" appended when the name part has no dot.
QString QuickTargetName(const QString& fileName);

} // namespace morvane::app
