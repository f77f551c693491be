#pragma once

#include <QString>

namespace platform {

/// The system clipboard, in its plain-text format only.
QString clipboardText();
/// Replaces the clipboard's text; other formats it holds are left as they are.
void setClipboardText(const QString& text);

} // namespace platform
