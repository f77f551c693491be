#include "platform/text/LineStates.h"

#include <algorithm>

namespace platform::syntax {

LineStates::LineStates(LineReader reader) : reader_(std::move(reader))
{
    reset(LanguageId::None, 1);
}

void LineStates::reset(LanguageId language, qsizetype lineCount)
{
    language_ = language;
    lineCount_ = std::max<qsizetype>(lineCount, 1);
    checkpoints_.assign(1, {0, initialState(language)});
    edits_.clear();
    valid_ = 1;
    cursorLine_ = 0;
    cursorState_ = checkpoints_[0].state;
    memoLine_ = -1;
    changed(0, lineCount_);
}

void LineStates::changed(qsizetype first, qsizetype last)
{
    if (first >= last)
        return;
    if (changedFirst_ >= changedLast_) {
        changedFirst_ = first;
        changedLast_ = last;
    } else {
        changedFirst_ = std::min(changedFirst_, first);
        changedLast_ = std::max(changedLast_, last);
    }
}

std::pair<qsizetype, qsizetype> LineStates::takeChanged()
{
    const std::pair<qsizetype, qsizetype> out{changedFirst_, std::min(changedLast_, lineCount_)};
    changedFirst_ = changedLast_ = 0;
    return out;
}

void LineStates::edited(qsizetype first, qsizetype removed, qsizetype added)
{
    first = std::clamp<qsizetype>(first, 0, lineCount_);
    removed = std::clamp<qsizetype>(removed, 0, lineCount_ - first);
    const qsizetype delta = added - removed;
    lineCount_ = std::max<qsizetype>(lineCount_ + delta, 1);
    if (language_ == LanguageId::None)
        return; // nothing is coloured, so nothing waits to be filled

    // The state at the start of first does not depend on first's text: checkpoints up to it
    // stay right. Later ones shift with their lines and wait to be checked; those at the start
    // of a removed line go.
    const size_t split = lastAtOrBefore(first, checkpoints_.size()) + 1;
    size_t out = split;
    // A key typed within a line moves no line: the checkpoints stay as they are, which keeps
    // such a key cheap however many of them a large file has.
    if (delta == 0 && removed <= 1)
        out = checkpoints_.size();
    for (size_t k = out; k < checkpoints_.size(); ++k) {
        Checkpoint c = checkpoints_[k];
        if (c.line < first + removed)
            continue;
        c.line += delta;
        if (c.line <= first || c.line >= lineCount_)
            continue;
        checkpoints_[out++] = c;
    }
    const bool staleBefore = valid_ < checkpoints_.size();
    checkpoints_.resize(out);
    valid_ = std::min(valid_, split);
    // Where edits wait for the fill, so that settling after one does not skip another. A fill
    // that stopped half way counts as an edit of the line before it: the checkpoints it
    // rewrote belong to a later text than those from its line on.
    if (staleBefore && cursorLine_ > first)
        edits_.push_back(cursorLine_ - 1); // shifted with the others below
    for (qsizetype& line : edits_) {
        if (line > first)
            line = line < first + removed ? first : line + delta;
    }
    edits_.push_back(first);
    std::sort(edits_.begin(), edits_.end());
    edits_.erase(std::unique(edits_.begin(), edits_.end()), edits_.end());
    if (edits_.size() > kMostEdits) {
        // Edits all over the text (a Replace All, say): lexing on from the first of them is
        // cheaper than keeping each apart, and leaves nothing stale to settle against.
        checkpoints_.resize(valid_);
        edits_.clear();
    }
    if (cursorLine_ > first) {
        cursorLine_ = checkpoints_[valid_ - 1].line;
        cursorState_ = checkpoints_[valid_ - 1].state;
    }
    if (memoLine_ > first)
        memoLine_ = -1;
    changed(first, first + std::max<qsizetype>(added, 1));
}

bool LineStates::isComplete() const
{
    // A plain document has nothing to fill: not a line of a gigabyte of text is read for it.
    if (language_ == LanguageId::None)
        return true;
    return valid_ == checkpoints_.size() && cursorLine_ >= lineCount_ - 1;
}

bool LineStates::fillSome(qsizetype budget)
{
    qsizetype spent = 0;
    qsizetype startLine = cursorLine_;
    bool lexed = false;
    while (!isComplete() && (!lexed || spent < budget)) {
        if (valid_ < checkpoints_.size() && checkpoints_[valid_].line <= cursorLine_) {
            Checkpoint& stale = checkpoints_[valid_];
            if (stale.line < cursorLine_) {
                checkpoints_.erase(checkpoints_.begin() + qsizetype(valid_));
                continue;
            }
            if (stale.state == cursorState_) {
                // Settled: what follows lexes as it did before, up to the next edit the fill
                // has not been through yet.
                changed(startLine + 1, cursorLine_ + 1);
                edits_.erase(edits_.begin(), std::lower_bound(edits_.begin(), edits_.end(), cursorLine_));
                valid_ = edits_.empty() ? checkpoints_.size()
                                        : lastAtOrBefore(edits_.front(), checkpoints_.size()) + 1;
                cursorLine_ = checkpoints_[valid_ - 1].line;
                cursorState_ = checkpoints_[valid_ - 1].state;
                startLine = cursorLine_;
                continue;
            }
            stale.state = cursorState_;
            ++valid_;
            continue;
        }
        if (cursorLine_ - checkpoints_[valid_ - 1].line >= kSpacing) {
            checkpoints_.insert(checkpoints_.begin() + qsizetype(valid_), {cursorLine_, cursorState_});
            ++valid_;
            continue;
        }
        const QStringView text = reader_(cursorLine_, scratch_);
        cursorState_ = lexLine(text, cursorState_);
        ++linesLexed_;
        ++cursorLine_;
        spent += text.size() + 1;
        lexed = true;
    }
    if (valid_ == checkpoints_.size())
        edits_.clear(); // nothing is left to settle against
    if (isComplete() && checkpoints_.back().line != cursorLine_) {
        // The end as a checkpoint too, so that an edit that settles need not lex to it again.
        checkpoints_.push_back({cursorLine_, cursorState_});
        valid_ = checkpoints_.size();
    }
    changed(startLine + 1, cursorLine_ + 1);
    return !isComplete();
}

size_t LineStates::lastAtOrBefore(qsizetype line, size_t count) const
{
    const auto end = checkpoints_.begin() + qsizetype(count);
    const auto it = std::upper_bound(checkpoints_.begin(), end, line,
                                     [](qsizetype l, const Checkpoint& c) { return l < c.line; });
    return size_t(it - checkpoints_.begin()) - 1;
}

bool LineStates::isKnown(qsizetype line) const
{
    if (line <= cursorLine_ || language_ == LanguageId::None)
        return true;
    return line - checkpoints_[lastAtOrBefore(line, valid_)].line < kSpacing;
}

LexState LineStates::lexFrom(qsizetype from, LexState state, qsizetype to)
{
    for (qsizetype line = from; line < to; ++line) {
        state = lexLine(reader_(line, scratch_), state);
        ++linesLexed_;
    }
    return state;
}

std::optional<LexState> LineStates::stateAt(qsizetype line)
{
    line = std::clamp<qsizetype>(line, 0, lineCount_ - 1);
    if (language_ == LanguageId::None)
        return checkpoints_[0].state;
    if (line == cursorLine_)
        return cursorState_;
    if (isKnown(line)) {
        const Checkpoint& c = checkpoints_[lastAtOrBefore(line, valid_)];
        qsizetype from = c.line;
        LexState state = c.state;
        if (memoLine_ >= from && memoLine_ <= line) {
            from = memoLine_;
            state = memoState_;
        }
        if (cursorLine_ >= from && cursorLine_ <= line) {
            from = cursorLine_;
            state = cursorState_;
        }
        memoState_ = lexFrom(from, state, line);
        memoLine_ = line;
        return memoState_;
    }
    // Past an edit that has not settled yet: what the old text gave, as a stand-in.
    if (valid_ < checkpoints_.size()) {
        const size_t k = lastAtOrBefore(line, checkpoints_.size());
        if (k >= valid_ && line - checkpoints_[k].line < kSpacing)
            return lexFrom(checkpoints_[k].line, checkpoints_[k].state, line);
    }
    return std::nullopt;
}

} // namespace platform::syntax
