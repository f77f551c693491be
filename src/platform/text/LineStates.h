#pragma once

#include "platform/text/Lexer.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace platform::syntax {

/// The lexer's state at the start of each line of a document, kept sparsely and valid across
/// edits.
///
/// Why this shape: a state for every line of a gigabyte would cost hundreds of megabytes, so a
/// state is kept only every kSpacing lines (a checkpoint); any other line's state is at most
/// kSpacing - 1 lines of lexing from one. An edit keeps the checkpoints before it and keeps
/// those after it as they were, shifted, but stale; the fill then lexes on from the edit and
/// stops at the first stale checkpoint whose state comes out unchanged, since from there on
/// everything is as before. Lines never reached are filled in slices (fillSome), so a caller
/// on the GUI thread never waits for a whole file.
class LineStates {
public:
    static constexpr qsizetype kSpacing = 256;
    /// Gives a line's text without its break: a view into the document, or into scratch.
    using LineReader = std::function<QStringView(qsizetype line, QString& scratch)>;

    explicit LineStates(LineReader reader);

    /// Starts over for a document of lineCount lines in language: nothing is known past line 0.
    void reset(LanguageId language, qsizetype lineCount);
    LanguageId language() const { return language_; }
    qsizetype lineCount() const { return lineCount_; }

    /// Lines [first, first + removed) were replaced by added lines (typing in a line is
    /// (line, 1, 1); a new line break in it (line, 1, 2)).
    void edited(qsizetype first, qsizetype removed, qsizetype added);

    /// Lexes on from where the states stop being known, about budget characters' worth (at
    /// least one line); true while more remains.
    bool fillSome(qsizetype budget);
    bool isComplete() const;

    /// Whether stateAt(line) gives the true state now (false far past an edit, or past where
    /// the fill has reached).
    bool isKnown(qsizetype line) const;
    /// The state at the start of line, lexing at most kSpacing - 1 lines to find it. A line that
    /// is not known gets the state the text before the last edit would give, when a stale
    /// checkpoint is near enough, else nothing.
    std::optional<LexState> stateAt(qsizetype line);

    /// The lines whose colours may have changed since the last call, [first, last); empty
    /// when first >= last.
    std::pair<qsizetype, qsizetype> takeChanged();

    /// Lines lexed so far to carry states (the fill and stateAt); for tests and benchmarks.
    qsizetype linesLexed() const { return linesLexed_; }
    qsizetype checkpointCount() const { return qsizetype(checkpoints_.size()); }

private:
    struct Checkpoint {
        qsizetype line;
        LexState state;
    };
    /// The index of the last checkpoint at or before line among the first count.
    size_t lastAtOrBefore(qsizetype line, size_t count) const;
    LexState lexFrom(qsizetype from, LexState state, qsizetype to);
    void changed(qsizetype first, qsizetype last);

    LineReader reader_;
    QString scratch_;
    LanguageId language_ = LanguageId::None;
    qsizetype lineCount_ = 1;
    std::vector<Checkpoint> checkpoints_; ///< by line; the first is line 0
    size_t valid_ = 1; ///< leading checkpoints that are right; the rest are stale
    /// More pending edits than this are given up for one fill from the first of them.
    static constexpr size_t kMostEdits = 32;
    std::vector<qsizetype> edits_; ///< lines edited since the fill last went past them
    qsizetype cursorLine_ = 0; ///< how far the fill has come, and the state there
    LexState cursorState_;
    qsizetype memoLine_ = -1; ///< the state stateAt found last, to go on from
    LexState memoState_;
    qsizetype changedFirst_ = 0, changedLast_ = 0;
    qsizetype linesLexed_ = 0;
};

} // namespace platform::syntax
