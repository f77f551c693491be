#include "platform/text/SyntaxHighlighter.h"

#include "platform/text/TextStore.h"

namespace platform::syntax {

SyntaxHighlighter::SyntaxHighlighter(const TextStore& store)
    : SyntaxHighlighter([&store](qsizetype line, QString& scratch) { return store.lineText(line, &scratch); })
{
}

SyntaxHighlighter::SyntaxHighlighter(LineStates::LineReader reader) : reader_(reader), states_(std::move(reader))
{
}

void SyntaxHighlighter::setLanguage(LanguageId language, qsizetype lineCount)
{
    states_.reset(language, lineCount);
}

std::vector<Token> SyntaxHighlighter::tokens(qsizetype line, qsizetype from, qsizetype to)
{
    std::vector<Token> out;
    if (language() == LanguageId::None || line < 0 || line >= states_.lineCount())
        return out;
    const std::optional<LexState> state = states_.stateAt(line);
    if (!state)
        return out;
    QStringView text = reader_(line, scratch_);
    // The stretch of a long line shown near its start need not cost the whole line: what is
    // coloured before to depends on what follows it only within a construct's own length.
    constexpr qsizetype kLookahead = 64 * 1024;
    if (to >= 0 && to < text.size() - kLookahead)
        text = text.left(to + kLookahead);
    lexLine(text, *state, &out, from, to);
    return out;
}

} // namespace platform::syntax
