#pragma once

#include "platform/text/Lexer.h"

#include <QString>
#include <QStringView>

namespace platform::syntax {

/// The language a file's name calls for (None: plain text, as for .txt, .csv and .log).
LanguageId languageForFileName(const QString& fileName);

/// The language an untitled document's first line shows: <!DOCTYPE, <html, <?xml, <?php, or
/// #! naming sh, bash, python or perl. None when it shows none.
LanguageId languageForFirstLine(QStringView line);

} // namespace platform::syntax
