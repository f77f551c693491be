#pragma once

#include <QString>

/// The file type a save writes for this name: rich text (0) when its last three characters are
/// "RTF" in any letter case, otherwise plain text (1). No extension is ever added.
int SaveFileType(const QString& name);
