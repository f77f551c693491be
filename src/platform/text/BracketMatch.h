#pragma once

#include "platform/text/Lexer.h"

#include <QtGlobal>
#include <functional>
#include <utility>
#include <vector>

namespace platform {
class TextStore;
}

namespace platform::syntax {

/// The tokens of a line that overlap [from, to) of it (as SyntaxHighlighter::tokens gives them).
using LineTokens = std::function<std::vector<Token>(qsizetype line, qsizetype from, qsizetype to)>;

/// The bracket beside the caret and its partner, as offsets ({-1, -1}: none). The character after
/// the caret is tried first, then the one before it. Round, square and curly brackets count,
/// and a tag's < and > in a page; those inside strings and comments do not (the tokens of the
/// lines tell; language None: every bracket counts). The search gives up after limit characters, so that a key never
/// waits for it: a bracket without a partner within them gives none.
std::pair<qsizetype, qsizetype> matchBracket(const TextStore& store, LanguageId language, const LineTokens& tokens,
                                             qsizetype caret, qsizetype limit = 100'000);

} // namespace platform::syntax
