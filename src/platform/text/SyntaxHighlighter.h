#pragma once

#include "platform/text/LineStates.h"

#include <QString>
#include <vector>

namespace platform {
class TextStore;
}

namespace platform::syntax {

/// Syntax colours for a plain document, for the view to ask: the tokens of each line it shows,
/// and a slice of background work at a time. It owns no widget and sends no signal: the view
/// tells it of edits, calls fillSome from a zero-timer while it returns true, and repaints the
/// lines takeChanged names.
class SyntaxHighlighter {
public:
    /// About a millisecond's worth of lexing for fillSome.
    static constexpr qsizetype kSliceBudget = 64 * 1024;

    /// Reads its lines from store, which must outlive it.
    explicit SyntaxHighlighter(const TextStore& store);
    explicit SyntaxHighlighter(LineStates::LineReader reader);

    /// Colours the document as language (None: plain), from scratch, for lineCount lines.
    void setLanguage(LanguageId language, qsizetype lineCount);
    LanguageId language() const { return states_.language(); }
    /// The whole text was replaced (a load): everything is lexed again.
    void reset(qsizetype lineCount) { setLanguage(language(), lineCount); }

    void edited(qsizetype firstLine, qsizetype removedLines, qsizetype addedLines)
    {
        states_.edited(firstLine, removedLines, addedLines);
    }
    bool fillSome(qsizetype budget = kSliceBudget) { return states_.fillSome(budget); }
    bool isKnown(qsizetype line) const { return states_.isKnown(line); }
    std::pair<qsizetype, qsizetype> takeChanged() { return states_.takeChanged(); }

    /// The tokens of a shown line, those overlapping [from, to) of it (to < 0: its end). Empty
    /// when the document is plain or the line's state cannot be found yet (the end of a large
    /// file before the fill reaches it): it then shows plain until takeChanged names it. Ask
    /// once per line and paint: the line is lexed from its start up to a little past to.
    std::vector<Token> tokens(qsizetype line, qsizetype from = 0, qsizetype to = -1);

    LineStates& states() { return states_; }

private:
    LineStates::LineReader reader_;
    LineStates states_;
    QString scratch_;
};

} // namespace platform::syntax
