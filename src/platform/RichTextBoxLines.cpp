// The editor control's commands by line and its searches: where the caret is, Go to Line,
// indenting a block of lines, Find in either view, and the count and marks of its matches.
#include "platform/RichTextBox.h"

#include "platform/RichMatchMarks.h"
#include "platform/RichTextBoxParts.h"
#include "platform/StepsWithProgress.h"
#include "platform/text/PlainView.h"
#include "platform/text/TextMatch.h"
#include "platform/text/TextStore.h"
#include "platform/text/ViewPainter.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <utility>

namespace platform {

std::pair<qsizetype, qsizetype> RichTextBox::caretLineColumn() const
{
    const qsizetype at = selPosition();
    if (plain_) {
        const qsizetype line = store_->lineOf(at);
        return {line, at - store_->lineStart(line)};
    }
    const qsizetype line = lineOfOffset(at);
    return {line, at - lineStartOffset(line)};
}

qsizetype RichTextBox::lineOfOffset(qsizetype offset) const
{
    if (plain_)
        return store_->lineOf(offset);
    return joins().paragraphOfBlock(doc_->findBlock(int(joins().toDocument(offset))).blockNumber());
}

qsizetype RichTextBox::lineStartOffset(qsizetype line) const
{
    if (plain_)
        return store_->lineStart(line);
    return joins().toText(doc_->findBlockByNumber(int(joins().firstBlockOfParagraph(line))).position());
}

bool RichTextBox::indentKey(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier || (e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab))
        return false;
    if (indentSelectedLines(e->key() == Qt::Key_Backtab))
        return true;
    if (e->key() != Qt::Key_Tab || !insertSpaces_)
        return false;
    const QString spaces = spacesToNextTabStop();
    if (plain_) {
        plain_->replaceSelection(spaces, true);
        plain_->ensureCaretVisible();
    } else {
        setSelText(spaces);
    }
    return true;
}

QString RichTextBox::lineIndent(qsizetype line) const
{
    constexpr qsizetype kLongest = 4096;
    const qsizetype start = lineStartOffset(line);
    const QString head = plain_ ? store_->text(start, std::min(kLongest, TextLength() - start))
                                : richText(start, std::min(start + kLongest, TextLength()));
    qsizetype n = 0;
    while (n < head.size() && (head.at(n) == u' ' || head.at(n) == u'\t'))
        ++n;
    return head.left(n);
}

// The tab stops count from the start of the caret's line, a tab reaching the next one.
QString RichTextBox::spacesToNextTabStop() const
{
    const qsizetype at = SelStart();
    const qsizetype start = lineStartOffset(lineOfOffset(at));
    // Far into a long line only the stretch since its last tab matters.
    constexpr qsizetype kLookBack = 4096;
    const qsizetype from = std::max(start, at - kLookBack);
    const QString head = plain_ ? store_->text(from, at - from) : richText(from, at);
    qsizetype column = 0;
    for (const QChar c : head)
        column = c == u'\t' ? (column / tabWidth_ + 1) * tabWidth_ : column + 1;
    return QString(tabWidth_ - column % tabWidth_, u' ');
}

bool RichTextBox::indentSelectedLines(bool outdent)
{
    refuseWhileReading();
    const qsizetype a = SelStart(), b = a + SelLength();
    if (b == a)
        return false;
    const qsizetype first = lineOfOffset(a);
    qsizetype last = lineOfOffset(b);
    if (last > first && lineStartOffset(last) == b)
        --last; // a selection that ends where a line starts leaves that line alone
    if (last == first)
        return false; // within one line the key types as usual
    const qsizetype width = tabWidth_; // Shift+Tab takes up to this many spaces
    const QString indent = insertSpaces_ ? QString(width, u' ') : QStringLiteral("\t");
    {
        EditBlock block(*this);
        // From the last line up, so that the lines above keep their offsets.
        for (qsizetype line = last; line >= first; --line) {
            const qsizetype start = lineStartOffset(line);
            setSelStart(start);
            if (!outdent) {
                setSelText(indent);
                continue;
            }
            const QString head = plain_ ? store_->text(start, std::min(width, TextLength() - start))
                                        : richText(start, std::min(start + width, TextLength()));
            qsizetype cut = 0;
            if (head.startsWith(u'\t'))
                cut = 1;
            else
                while (cut < head.size() && head.at(cut) == u' ')
                    ++cut;
            if (cut > 0) {
                setSelLength(cut);
                setSelText(QString());
            }
        }
        // The lines stay selected, whole.
        const qsizetype from = lineStartOffset(first);
        const qsizetype to = last + 1 < lineCount() ? lineStartOffset(last + 1) : TextLength();
        setSelStart(from);
        setSelLength(to - from);
    }
    return true;
}

qsizetype RichTextBox::lineCount() const
{
    return plain_ ? store_->lineCount() : doc_->blockCount() - qsizetype(joins().separators().size());
}

void RichTextBox::goToLine(qsizetype line)
{
    // A line not read yet is gone to once it is, unless the caret is moved before.
    pendingLine_ = reading_ && line >= lineCount() ? line : -1;
    line = std::clamp<qsizetype>(line, 0, lineCount() - 1);
    setSelStart(lineStartOffset(line));
    setSelLength(0);
    pendingAt_ = SelStart();
}

namespace {

QTextDocument::FindFlags findFlags(int options)
{
    QTextDocument::FindFlags flags;
    if (options & RichTextBox::WholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (options & RichTextBox::MatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    return flags;
}

} // namespace

qsizetype RichTextBox::Find(const QString& text, qsizetype start, qsizetype end, int options)
{
    if (text.isEmpty() || start < 0 || start > TextLength())
        return -1;
    if (plain_)
        return findPlain(text, start, end, options);
    QTextCursor found;
    {
        CursorsWithoutLayout unlaid(doc_);
        QTextCursor from(doc_);
        from.setPosition(int(joins().toDocument(start)));
        found = doc_->find(text, from, findFlags(options));
        if (!joins().isEmpty()) {
            const QTextCursor over = findOverJoins(text, from.position(), found.isNull() ? -1 : found.selectionStart(), options);
            if (!over.isNull())
                found = over;
        }
    }
    if (found.isNull())
        return -1;
    if (end >= 0 && joins().toText(found.selectionEnd()) > end)
        return -1;
    auto* view = static_cast<QTextEdit*>(viewWidget_);
    // What is not laid out yet has never been shown.
    const bool shown = rich_->isLaidOutTo(found.position())
                       && view->viewport()->rect().contains(view->cursorRect(found));
    if (setCursor(found) && !shown && editBlocks_ == 0) {
        // A match found out of sight comes to the middle of the window, what surrounds it with it.
        QScrollBar* bar = view->verticalScrollBar();
        bar->setValue(bar->value() + view->cursorRect().center().y() - view->viewport()->height() / 2);
    }
    return joins().toText(found.selectionStart());
}

QTextCursor RichTextBox::findOverJoins(const QString& text, int from, int before, int options) const
{
    // Around each join, what a match over it can reach: the needle's length less one either side,
    // and one more character for the test of a whole word.
    const qsizetype n = text.size();
    const Qt::CaseSensitivity cs = (options & MatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto& separators = joins().separators();
    for (auto it = std::lower_bound(separators.begin(), separators.end(), qsizetype(from)); it != separators.end(); ++it) {
        const qsizetype join = *it;
        if (before >= 0 && join - n + 1 >= before)
            break;
        const QTextBlock left = doc_->findBlock(int(join));
        const QTextBlock right = left.next();
        const qsizetype reachBack = std::min<qsizetype>(n, join - std::max<qsizetype>(left.position(), from - 1));
        QString around = left.text().right(reachBack) + right.text().left(n);
        around.replace(QChar::Nbsp, u' ');
        const qsizetype joinAt = reachBack; // the first character after the join
        const qsizetype aroundStart = join - reachBack;
        for (qsizetype i = around.indexOf(text, 0, cs); i >= 0 && i < joinAt; i = around.indexOf(text, i + 1, cs)) {
            if (i + n <= joinAt || aroundStart + i < from)
                continue;
            const bool whole = (i == 0 || !around.at(i - 1).isLetterOrNumber())
                               && (i + n >= around.size() || !around.at(i + n).isLetterOrNumber());
            if ((options & WholeWord) && !whole)
                continue;
            const qsizetype at = aroundStart + i;
            if (before >= 0 && at >= before)
                break;
            QTextCursor match(doc_);
            match.setPosition(int(at));
            match.setPosition(int(at + n + 1), QTextCursor::KeepAnchor);
            return match;
        }
    }
    return {};
}

bool RichTextBox::replaceMatches(const QString& text, const QString& replacement, int options, qsizetype* from,
                                 StepBudget& budget)
{
    refuseWhileReading();
    if (!plain_) {
        while (budget.more()) {
            if (Find(text, *from, -1, options) < 0)
                return false;
            setSelText(replacement);
            *from = SelStart();
        }
        return true;
    }
    // The matches of a few million characters are found, then replaced at once.
    constexpr qsizetype kStretch = 2 * 1024 * 1024;
    const qsizetype n = text.size();
    const QString by = richtextbox::asPlainInsert(replacement);
    const TextMatcher matcher(text, options & MatchCase, options & WholeWord);
    while (budget.more()) {
        const qsizetype start = std::clamp<qsizetype>(*from, 0, store_->length());
        const qsizetype end = std::min(store_->length(), start + kStretch);
        if (n == 0 || start + n > store_->length())
            return false;
        std::vector<qsizetype> offsets;
        qsizetype next = start;
        bool spent = false;
        for (const auto& [at, length] : matcher.within(*store_, start, end)) {
            if (at < next)
                continue;
            if (!offsets.empty() && !budget.more()) {
                spent = true;
                break;
            }
            offsets.push_back(at);
            next = at + length;
        }
        *from = (spent ? next : std::max(next, end)) + qsizetype(offsets.size()) * (by.size() - n);
        if (!offsets.empty()) {
            ++selQuiet_;
            plain_->replaceEach(offsets, n, by);
            --selQuiet_;
        }
        if (spent)
            return true;
    }
    return *from + n <= store_->length();
}

std::function<RichTextBox::MatchTally(const std::atomic_bool&)> RichTextBox::matchCounter(const QString& text, int options,
                                                                                          qsizetype at) const
{
    if (plain_) {
        return [snapshot = store_->snapshot(), matcher = TextMatcher(text, options & MatchCase, options & WholeWord),
                at](const std::atomic_bool& stop) {
            const TextMatcher::Tally t = matcher.count(snapshot, at, stop);
            return MatchTally{t.before, t.total};
        };
    }
    // The rich document cannot be read on another thread: its count is made now. Each match is
    // looked for one character after the last, as Find / Next does.
    MatchTally tally;
    if (!text.isEmpty()) {
        const qsizetype atInDocument = joins().toDocument(at);
        for (QTextCursor c = doc_->find(text, 0, findFlags(options)); !c.isNull();
             c = doc_->find(text, c.selectionStart() + 1, findFlags(options))) {
            ++tally.total;
            if (c.selectionStart() < atInDocument)
                ++tally.before;
        }
        for (QTextCursor c = findOverJoins(text, 0, -1, options); !c.isNull();
             c = findOverJoins(text, c.selectionStart() + 1, -1, options)) {
            ++tally.total;
            if (c.selectionStart() < atInDocument)
                ++tally.before;
        }
    }
    return [tally](const std::atomic_bool&) { return tally; };
}

void RichTextBox::setMatchMarks(const QString& text, int options)
{
    const TextMatcher matcher(text, options & MatchCase, options & WholeWord);
    if (plain_) {
        plain_->setMatchMarks(matcher);
        return;
    }
    auto* view = static_cast<QTextEdit*>(viewWidget_);
    if (!richMarks_)
        richMarks_ = new RichMatchMarks(*view);
    richMarks_->set(matcher, ViewPainter::markColor(view->palette().color(QPalette::Base)));
}

// Finds as the rich document does: a no-break space in the text matches a space in what is
// looked for, and a whole word has no letter or digit on either side.
qsizetype RichTextBox::findPlain(const QString& text, qsizetype start, qsizetype end, int options)
{
    const Qt::CaseSensitivity cs = (options & MatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWord = (options & WholeWord) != 0;
    const TextStore& s = *store_;
    const qsizetype n = text.size();
    const qsizetype limit = end < 0 ? s.length() : std::min(end, s.length());
    const auto isWholeWord = [&](qsizetype at) {
        return !(at > 0 && s.at(at - 1).isLetterOrNumber())
               && !(at + n < s.length() && s.at(at + n).isLetterOrNumber());
    };
    qsizetype found = -1;
    if (!text.contains(u' ')) {
        for (qsizetype at = s.find(text, start, limit, cs); at >= 0; at = s.find(text, at + 1, limit, cs)) {
            if (!wholeWord || isWholeWord(at)) {
                found = at;
                break;
            }
        }
    } else {
        // Windows of the text with no-break spaces made plain, overlapping by the needle's length;
        // small at first, since a match is often near (as for each match of Replace All).
        qsizetype window = std::max<qsizetype>(4096, 4 * n);
        for (qsizetype from = start; found < 0 && from + n <= limit;
             from += window, window = std::min<qsizetype>(2 * window, std::max<qsizetype>(window, 1024 * 1024))) {
            QString part = s.text(from, std::min(window + n - 1, limit - from));
            part.replace(QChar::Nbsp, u' ');
            for (qsizetype i = part.indexOf(text, 0, cs); i >= 0 && i < window;
                 i = part.indexOf(text, i + 1, cs)) {
                if (!wholeWord || isWholeWord(from + i)) {
                    found = from + i;
                    break;
                }
            }
        }
    }
    if (found < 0)
        return -1;
    selectPlain(found, found + n, true);
    return found;
}

} // namespace platform
