#include "platform/text/PlainView.h"

#include "platform/text/BracketMatch.h"
#include "platform/text/SyntaxHighlighter.h"
#include "platform/text/SyntaxPalette.h"

// The plain view's syntax colours and the brackets it marks.

namespace platform {

// ---------------------------------------------------------------------------------------------
// Syntax colours

// Every edit of the store, undo and redo included, reaches the colours by line, so that they
// follow it wherever it came from.
void PlainView::watchStore()
{
    const syntax::LanguageId language = syntax_ ? syntax_->language() : syntax::LanguageId::None;
    syntax_ = std::make_shared<syntax::SyntaxHighlighter>(*store_);
    syntax_->setLanguage(language, store_->lineCount());
    store_->setLineWatcher([this, alive = std::weak_ptr(syntax_)](qsizetype first, qsizetype removed, qsizetype added) {
        if (!alive.expired())
            syntaxEdited(first, removed, added);
    });
}

void PlainView::syntaxEdited(qsizetype firstLine, qsizetype removedLines, qsizetype addedLines)
{
    syntax_->edited(firstLine, removedLines, addedLines);
    bracketsAt_ = -1;
    longTokens_.line = -1;
    if (syntax_->language() != syntax::LanguageId::None && !syntaxFill_.isActive())
        syntaxFill_.start(0, this);
}

void PlainView::setLanguage(syntax::LanguageId language)
{
    if (language == syntax_->language())
        return;
    syntax_->setLanguage(language, store_->lineCount());
    syntax_->takeChanged();
    bracketsAt_ = -1;
    longTokens_.line = -1;
    dropLayouts();
    viewport()->update();
    if (language != syntax::LanguageId::None)
        syntaxFill_.start(0, this);
}

syntax::LanguageId PlainView::language() const
{
    return syntax_->language();
}

QList<QTextLayout::FormatRange> PlainView::formatsOf(qsizetype line, qsizetype from, qsizetype length) const
{
    QList<QTextLayout::FormatRange> out;
    if (syntax_->language() == syntax::LanguageId::None)
        return out;
    const syntax::SyntaxPalette& colors = syntax::paletteFor(palette().color(QPalette::Base));
    for (const syntax::Token& t : tokensOf(line, from, from + length)) {
        QTextLayout::FormatRange r;
        r.start = int(t.start - from);
        r.length = int(t.length);
        r.format.setForeground(colors.color(t.kind));
        out.append(r);
    }
    return out;
}

// A long line is lexed from its start for any stretch of it: its tokens are found for a window
// around what is asked, once, and the stretches shown there take theirs from it.
std::vector<syntax::Token> PlainView::tokensOf(qsizetype line, qsizetype from, qsizetype to) const
{
    constexpr qsizetype kLongLine = 64 * 1024, kWindow = 256 * 1024;
    const qsizetype length = store_->lineLength(line);
    if (length <= kLongLine)
        return syntax_->tokens(line, from, to);
    LongLineTokens& c = longTokens_;
    if (c.line != line || from < c.from || to > c.to) {
        c.line = line;
        c.from = std::max<qsizetype>(0, from - kWindow);
        c.to = std::min(length, to + kWindow);
        c.known = syntax_->isKnown(line);
        c.tokens = syntax_->tokens(line, c.from, c.to);
    }
    std::vector<syntax::Token> out;
    auto it = std::partition_point(c.tokens.begin(), c.tokens.end(),
                                   [from](const syntax::Token& t) { return t.start + t.length <= from; });
    for (; it != c.tokens.end() && it->start < to; ++it) {
        const qsizetype start = std::max(it->start, from), end = std::min(it->start + it->length, to);
        if (start < end)
            out.push_back({start, end - start, it->kind});
    }
    return out;
}

// The tokens' places and kinds, hashed (FNV-1a): a line whose tokens stay as they were is not
// laid out again when the colouring passes over it.
quint64 PlainView::formatKey(qsizetype line, qsizetype from, qsizetype length) const
{
    quint64 key = 14695981039346656037ull;
    const auto mix = [&key](quint64 v) { key = (key ^ v) * 1099511628211ull; };
    if (syntax_->language() == syntax::LanguageId::None)
        return key;
    for (const syntax::Token& t : tokensOf(line, from, from + length)) {
        mix(quint64(t.start));
        mix(quint64(t.length));
        mix(quint64(t.kind));
    }
    return key;
}

// One slice of colouring in the background; the shown lines whose colours it changed are laid
// out again, and no others.
void PlainView::fillSyntax()
{
    const bool more = syntax_->fillSome();
    const auto [first, last] = syntax_->takeChanged();
    if (!longTokens_.known && longTokens_.line >= first && longTokens_.line < last)
        longTokens_.line = -1;
    // Only the shown lines are checked, so that a key costs the same whatever the layouts kept.
    const qsizetype shownFirst = store_->lineOf(top_);
    const qsizetype shownLast = store_->lineOf(offsetAt(QPoint(0, viewport()->height())));
    if (first < last && layouts_.reformat(first, last, shownFirst, shownLast)) {
        bracketsAt_ = -1;
        viewport()->update();
    }
    if (!more)
        syntaxFill_.stop();
}

QList<QTextLayout::FormatRange> PlainView::lineFormats(qsizetype line) const
{
    return layouts_.unit(line, 0).layout->formats();
}

std::pair<qsizetype, qsizetype> PlainView::matchedBrackets() const
{
    if (hasSelection())
        return {-1, -1};
    if (bracketsAt_ != position_) {
        brackets_ = syntax::matchBracket(*store_, syntax_->language(),
                                         [this](qsizetype line, qsizetype from, qsizetype to) { return tokensOf(line, from, to); },
                                         position_);
        bracketsAt_ = position_;
    }
    return brackets_;
}

} // namespace platform
