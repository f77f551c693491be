#include "platform/text/Lexer.h"

#include "platform/text/languages/Language.h"

#include <QChar>
#include <algorithm>
#include <cstring>

namespace platform::syntax {

namespace {

char16_t fold(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// The stops of an embedded level: index 0 ends the level, the others open a block inside it.
Stops stopsFor(const LexState& state, int level)
{
    Stops stops;
    const LanguageTable* host = languageTable(state.lang[0]);
    const LanguageId lang = state.lang[level];
    if (level >= 1 && lang == host->block) {
        if (host->rules & PhpBlocks) {
            stops.add(u"?>");
        } else {
            stops.add(u"%>");
            stops.insideStrings = true; // <% %> is cut out before the code is read
        }
        return stops;
    }
    stops.add(lang == LanguageId::Css ? std::u16string_view(u"</style") : u"</script");
    stops.insideStrings = true;
    if (host->rules & PhpBlocks) {
        stops.add(u"<?php");
        stops.add(u"<?=");
        stops.add(u"<? ");
    } else if (host->rules & PercentBlocks) {
        stops.add(u"<%");
    }
    return stops;
}

void push(LexState& state, LanguageId lang)
{
    if (state.depth + 1 >= LexState::kLevels)
        return;
    ++state.depth;
    state.lang[state.depth] = lang;
    state.mode[state.depth] = 0;
    state.word = 0;
}

void pop(LexState& state)
{
    state.lang[state.depth] = LanguageId::None;
    state.mode[state.depth] = 0;
    --state.depth;
    state.word = 0;
}

qsizetype lexFamily(Scan& scan, const Language& lang, LexState& state, qsizetype i)
{
    std::uint8_t& mode = state.mode[state.depth];
    switch (lang.table->family) {
    case Family::CLike:
        return lexCLike(scan, lang, mode, state.word, i);
    case Family::HashScript:
        return lexHashScript(scan, lang, mode, state.word, i);
    case Family::LineOriented:
        return lexLineOriented(scan, lang, mode, state.word, i);
    case Family::Markup:
    case Family::None:
        break;
    }
    return scan.n;
}

} // namespace

WordSet::WordSet(const char* words, bool caseInsensitive) : fold_(caseInsensitive)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries; // hash, offset
    for (const char* p = words; p && *p;) {
        while (*p == ' ')
            ++p;
        const char* end = p;
        while (*end && *end != ' ')
            ++end;
        if (end == p)
            break;
        const std::uint32_t at = std::uint32_t(chars_.size());
        chars_.push_back(char16_t(end - p));
        for (const char* c = p; c < end; ++c)
            chars_.push_back(fold_ ? fold(char16_t(*c)) : char16_t(*c));
        entries.emplace_back(hash(chars_.data() + at + 1, end - p, false), at);
        p = end;
    }
    std::uint32_t size = 16;
    while (size < entries.size() * 3)
        size *= 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (const auto& [h, at] : entries) {
        std::uint32_t k = h & mask_;
        while (slots_[k])
            k = (k + 1) & mask_;
        slots_[k] = at + 1;
    }
}

std::uint32_t WordSet::hash(const char16_t* word, qsizetype length, bool foldCase)
{
    std::uint32_t h = 2166136261u;
    for (qsizetype i = 0; i < length; ++i)
        h = (h ^ (foldCase ? fold(word[i]) : word[i])) * 16777619u;
    return h;
}

bool WordSet::contains(const char16_t* word, qsizetype length) const
{
    if (slots_.empty() || length > 64)
        return false;
    for (std::uint32_t k = hash(word, length, fold_) & mask_; slots_[k]; k = (k + 1) & mask_) {
        const char16_t* entry = chars_.data() + slots_[k] - 1;
        if (entry[0] != length)
            continue;
        qsizetype i = 0;
        while (i < length && (fold_ ? fold(word[i]) : word[i]) == entry[i + 1])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

void Stops::add(std::u16string_view pattern)
{
    text[count++] = pattern;
    const char16_t c = pattern[0];
    for (char16_t k : {c, fold(c), char16_t(c >= u'a' && c <= u'z' ? c - 32 : c)})
        first[k >> 6] |= std::uint64_t(1) << (k & 63);
}

int Stops::match(const char16_t* s, qsizetype i, qsizetype n) const
{
    for (int k = 0; k < count; ++k) {
        const std::u16string_view p = text[k];
        if (n - i < qsizetype(p.size()))
            continue;
        size_t j = 0;
        while (j < p.size() && fold(s[i + j]) == p[j])
            ++j;
        if (j == p.size())
            return k;
    }
    return -1;
}

void Scan::mark(qsizetype start, qsizetype end, TokenKind kind)
{
    if (!out)
        return;
    start = std::max(start, from);
    end = std::min(end, to);
    if (start >= end)
        return;
    if (!out->empty()) {
        Token& last = out->back();
        if (last.kind == kind && last.start + last.length == start) {
            last.length = end - last.start;
            return;
        }
    }
    out->push_back({start, end - start, kind});
}

bool Scan::startsWith(qsizetype i, const std::u16string& pattern, bool foldCase) const
{
    if (pattern.empty() || n - i < qsizetype(pattern.size()))
        return false;
    for (size_t j = 0; j < pattern.size(); ++j) {
        if ((foldCase ? fold(s[i + j]) : s[i + j]) != pattern[j])
            return false;
    }
    return true;
}

qsizetype Scan::wordEnd(const Language& lang, qsizetype i) const
{
    while (i < n && (s[i] >= 128 ? QChar(s[i]).isLetterOrNumber() || QChar::isSurrogate(s[i])
                                 : (lang.cls[s[i]] & (WordStart | WordPart)) != 0))
        ++i;
    return i;
}

qsizetype Scan::numberEnd(const Language& lang, qsizetype i) const
{
    if (s[i] == u'0' && i + 1 < n && (s[i + 1] == u'x' || s[i + 1] == u'X'))
        return wordEnd(lang, i + 2);
    auto digits = [&](qsizetype k) {
        while (k < n && ((s[k] >= u'0' && s[k] <= u'9') || s[k] == u'_' || s[k] == u'\''))
            ++k;
        return k;
    };
    i = digits(i);
    if (i + 1 < n && s[i] == u'.' && s[i + 1] >= u'0' && s[i + 1] <= u'9')
        i = digits(i + 1);
    else if (i < n && s[i] == u'.' && !(i + 1 < n && s[i + 1] == u'.'))
        ++i;
    if (i + 1 < n && (s[i] == u'e' || s[i] == u'E')
        && ((s[i + 1] >= u'0' && s[i + 1] <= u'9')
            || ((s[i + 1] == u'+' || s[i + 1] == u'-') && i + 2 < n && s[i + 2] >= u'0' && s[i + 2] <= u'9')))
        i = digits(i + 2);
    // Suffixes and units: 10UL, 1.5f, 12px, 80h.
    while (i < n && s[i] < 128 && (lang.cls[s[i]] & WordStart) && s[i] != u'$')
        ++i;
    return i;
}

void Scan::word(const Language& lang, qsizetype start, qsizetype end)
{
    if (!out || end <= from || start >= to)
        return;
    if (lang.keywords.contains(s + start, end - start))
        mark(start, end, TokenKind::Keyword);
    else if (lang.types.contains(s + start, end - start))
        mark(start, end, TokenKind::Type);
}

std::uint32_t terminatorKey(const char16_t* word, qsizetype length)
{
    std::uint32_t h = 2166136261u;
    for (qsizetype i = 0; i < length; ++i)
        h = (h ^ word[i]) * 16777619u;
    return (h & 0xffffff00u) | std::uint32_t(std::clamp<qsizetype>(length, 1, 255));
}

LexState initialState(LanguageId language)
{
    LexState state;
    state.lang[0] = language;
    return state;
}

LexState lexLine(QStringView line, const LexState& in, std::vector<Token>* tokens, qsizetype from,
                 qsizetype to)
{
    LexState state = in;
    Scan scan;
    scan.s = reinterpret_cast<const char16_t*>(line.utf16());
    scan.n = line.size();
    scan.out = tokens;
    scan.from = from;
    scan.to = to < 0 ? scan.n : std::min(to, scan.n);
    if (state.lang[0] == LanguageId::None || state.lang[0] >= LanguageId::Count)
        return state;
    qsizetype i = 0;
    do {
        const Language& lang = language(state.lang[state.depth]);
        if (lang.table->family == Family::Markup) {
            Embed embed = Embed::None;
            scan.stops = nullptr;
            i = lexMarkup(scan, lang, state.mode[state.depth], i, &embed);
            if (embed == Embed::Script)
                push(state, LanguageId::JavaScript);
            else if (embed == Embed::Style)
                push(state, LanguageId::Css);
            else if (embed == Embed::Block)
                push(state, lang.table->block);
            continue;
        }
        if (state.depth == 0) {
            scan.stops = nullptr;
            i = lexFamily(scan, lang, state, i);
            continue;
        }
        const Stops stops = stopsFor(state, state.depth);
        scan.stops = &stops;
        scan.stopped = -1;
        i = lexFamily(scan, lang, state, i);
        if (scan.stopped < 0)
            continue;
        const qsizetype length = qsizetype(stops.text[scan.stopped].size());
        if (scan.stopped == 0) {
            // A block's "?>" belongs to the block; "</script" is the page's own tag.
            if (stops.text[0][0] != u'<') {
                scan.mark(i, i + length, TokenKind::Preprocessor);
                i += length;
            }
            pop(state);
        } else {
            // "<? " keeps its blank for the code.
            const qsizetype opener = stops.text[scan.stopped].back() == u' ' ? length - 1 : length;
            scan.mark(i, i + opener, TokenKind::Preprocessor);
            i += opener;
            push(state, languageTable(state.lang[0])->block);
        }
    } while (i < scan.n);
    return state;
}

} // namespace platform::syntax
