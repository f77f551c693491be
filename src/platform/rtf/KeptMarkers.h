#pragma once

class QTextDocument;
class QTextEdit;

namespace platform::rtf {

/// Makes the document's markers of kept RTF visible: each is drawn as its label (a footnote's
/// number, "c" for a comment, ...) small and raised in a light box, or as a thin bar when it has
/// none (a bookmark). Call it once the document lives in the thread that shows it.
void showKeptMarkers(QTextDocument& document);

/// Text typed just after a field's result is not part of it (the next reader would replace it
/// with the field's fresh result), while text typed inside the result is.
void keepTypingOutOfFieldEnds(QTextEdit& edit);

} // namespace platform::rtf
