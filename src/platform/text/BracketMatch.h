#pragma once

#include <QtGlobal>
#include <utility>

namespace platform {
class TextStore;
}

namespace platform::syntax {

class SyntaxHighlighter;

/// The bracket beside the caret and its partner, as offsets ({-1, -1}: none). The character after
/// the caret is tried first, then the one before it. Round, square and curly brackets count,
/// and a tag's < and > in a page; those inside strings and comments do not (with colours: the
/// tokens of the lines tell). The search gives up after limit characters, so that a key never
/// waits for it: a bracket without a partner within them gives none.
std::pair<qsizetype, qsizetype> matchBracket(const TextStore& store, SyntaxHighlighter* syntax,
                                             qsizetype caret, qsizetype limit = 100'000);

} // namespace platform::syntax
