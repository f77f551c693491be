#include "platform/text/BracketMatch.h"

#include "platform/text/TextStore.h"

#include <algorithm>
#include <vector>

namespace platform::syntax {

namespace {

bool isPage(LanguageId id)
{
    switch (id) {
    case LanguageId::Html:
    case LanguageId::Xml:
    case LanguageId::Php:
    case LanguageId::Asp:
    case LanguageId::Jsp:
    case LanguageId::ColdFusion:
        return true;
    default:
        return false;
    }
}

// A stretch of one line, with the tokens that tell what its characters are.
struct Stretch {
    qsizetype lineStart = 0;
    qsizetype from = 0; ///< within the line
    QString text;
    std::vector<Token> tokens;
};

Stretch readStretch(const TextStore& store, const LineTokens* syntax, qsizetype line, qsizetype from, qsizetype to)
{
    Stretch s;
    s.lineStart = store.lineStart(line);
    s.from = from;
    s.text = store.text(s.lineStart + from, to - from);
    if (syntax)
        s.tokens = (*syntax)(line, from, to);
    return s;
}

class Brackets {
public:
    Brackets(QChar c, bool page) : angle_(c == u'<' || c == u'>')
    {
        static constexpr char16_t pairs[][2] = {{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}, {u'<', u'>'}};
        for (const auto& p : pairs) {
            if (c == p[0] || c == p[1]) {
                open_ = p[0];
                close_ = p[1];
                forward_ = c == p[0];
            }
        }
        if (angle_ && !page)
            open_ = close_ = 0;
    }
    bool isBracket() const { return open_ != 0; }
    bool forward() const { return forward_; }

    /// +1 for an opening bracket that counts, -1 for a closing one, 0 for anything else.
    int weigh(const Stretch& s, qsizetype i) const
    {
        const QChar c = s.text[i];
        if (c != open_ && c != close_)
            return 0;
        const qsizetype inLine = s.from + i;
        auto it = std::upper_bound(s.tokens.begin(), s.tokens.end(), inLine,
                                   [](qsizetype at, const Token& t) { return at < t.start; });
        const Token* t = it != s.tokens.begin() && inLine < (it - 1)->start + (it - 1)->length ? &*(it - 1) : nullptr;
        // A tag's brackets are those the page's tags are made of; other brackets are code, not
        // the text of a string or a comment.
        const bool counts = angle_ ? t && t->kind == TokenKind::Tag
                                   : !t || (t->kind != TokenKind::String && t->kind != TokenKind::Comment);
        if (!counts)
            return 0;
        return c == open_ ? 1 : -1;
    }

private:
    char16_t open_ = 0, close_ = 0;
    bool forward_ = true;
    bool angle_ = false;
};

qsizetype partnerForward(const TextStore& store, const LineTokens* syntax, const Brackets& b, qsizetype at,
                         qsizetype limit)
{
    int depth = 1;
    qsizetype line = store.lineOf(at);
    qsizetype from = at + 1 - store.lineStart(line);
    for (; line < store.lineCount() && limit > 0; ++line, from = 0) {
        const qsizetype to = std::min(store.lineLength(line), from + limit);
        const Stretch s = readStretch(store, syntax, line, from, to);
        for (qsizetype i = 0; i < s.text.size(); ++i) {
            depth += b.weigh(s, i);
            if (depth == 0)
                return s.lineStart + s.from + i;
        }
        limit -= to - from + 1;
    }
    return -1;
}

qsizetype partnerBackward(const TextStore& store, const LineTokens* syntax, const Brackets& b, qsizetype at,
                          qsizetype limit)
{
    // The lines are read forwards, the way their states are found cheaply, then searched back.
    const qsizetype first = std::max<qsizetype>(0, at - limit);
    const qsizetype firstLine = store.lineOf(first), lastLine = store.lineOf(at);
    std::vector<Stretch> stretches;
    for (qsizetype line = firstLine; line <= lastLine; ++line) {
        const qsizetype start = store.lineStart(line);
        const qsizetype from = line == firstLine ? first - start : 0;
        const qsizetype to = line == lastLine ? at - start : store.lineLength(line);
        stretches.push_back(readStretch(store, syntax, line, from, to));
    }
    int depth = -1;
    for (auto s = stretches.rbegin(); s != stretches.rend(); ++s) {
        for (qsizetype i = s->text.size() - 1; i >= 0; --i) {
            depth += b.weigh(*s, i);
            if (depth == 0)
                return s->lineStart + s->from + i;
        }
    }
    return -1;
}

} // namespace

std::pair<qsizetype, qsizetype> matchBracket(const TextStore& store, LanguageId language, const LineTokens& tokens,
                                             qsizetype caret, qsizetype limit)
{
    const LineTokens* syntax = language == LanguageId::None ? nullptr : &tokens;
    const bool page = isPage(language);
    for (qsizetype at : {caret, caret - 1}) {
        if (at < 0 || at >= store.length())
            continue;
        const Brackets b(store.at(at), page);
        if (!b.isBracket())
            continue;
        const qsizetype line = store.lineOf(at);
        const qsizetype inLine = at - store.lineStart(line);
        if (b.weigh(readStretch(store, syntax, line, inLine, inLine + 1), 0) == 0)
            continue; // in a string or a comment
        const qsizetype partner = b.forward() ? partnerForward(store, syntax, b, at, limit)
                                              : partnerBackward(store, syntax, b, at, limit);
        if (partner >= 0)
            return {at, partner};
    }
    return {-1, -1};
}

} // namespace platform::syntax
