// The markup family: HTML and XHTML, XML, and the pages that embed code in HTML (PHP, ASP, JSP,
// ColdFusion). The page's lexer hands <script>, <style> and code blocks to the level above.
#include "platform/text/languages/Language.h"

namespace platform::syntax {

namespace {

enum Mode : std::uint8_t {
    Text,
    InTag, ///< between a tag's name and its '>'
    ValueDq, ///< inside an attribute's "value"
    ValueSq,
    Comment, ///< <!-- -->
    CData, ///< <![CDATA[ ]]>
    Declaration, ///< <!DOCTYPE ...>
    Instruction, ///< <?xml ... ?>
    ServerComment, ///< <%-- --%>, which the server drops
    kModeMask = 0x0f,
    ScriptTag = 0x10, ///< the tag being read is <script>: its '>' starts JavaScript
    StyleTag = 0x20,
    kEmbedMask = 0x30,
};

class Markup {
public:
    Markup(Scan& scan, const Language& lang, std::uint8_t& mode)
        : sc(scan), lang(lang), s(scan.s), n(scan.n), mode(mode)
    {
    }

    qsizetype run(qsizetype i, Embed* embed)
    {
        *embed = Embed::None;
        while (i < n && *embed == Embed::None) {
            switch (mode & kModeMask) {
            case InTag:
                i = inTag(i, embed);
                break;
            case ValueDq:
            case ValueSq:
                i = value(i, embed);
                break;
            case Comment:
                i = until(i, u"-->", TokenKind::Comment, embed);
                break;
            case CData:
                i = until(i, u"]]>", TokenKind::String, embed);
                break;
            case Declaration:
                i = until(i, u">", TokenKind::Preprocessor, embed);
                break;
            case Instruction:
                i = until(i, u"?>", TokenKind::Preprocessor, embed);
                break;
            case ServerComment:
                i = until(i, u"--%>", TokenKind::Comment, embed);
                break;
            default:
                i = text(i, embed);
                break;
            }
        }
        return i;
    }

private:
    bool at(qsizetype i, std::u16string_view p, bool fold = false) const
    {
        if (n - i < qsizetype(p.size()))
            return false;
        for (size_t k = 0; k < p.size(); ++k) {
            const char16_t c = fold && s[i + k] >= u'A' && s[i + k] <= u'Z' ? s[i + k] + 32 : s[i + k];
            if (c != p[k])
                return false;
        }
        return true;
    }

    // A code block opening at i ("<?php", "<%"), handed to the level above; before is the
    // colour of what lies between from and i, coloured first.
    bool blockAt(qsizetype i, qsizetype* next, Embed* embed, qsizetype from = -1,
                 TokenKind before = TokenKind::Tag)
    {
        qsizetype length = 0;
        if (lang.has(PhpBlocks) && s[i] == u'<' && i + 1 < n && s[i + 1] == u'?') {
            if (at(i, u"<?php", true))
                length = 5;
            else if (at(i, u"<?="))
                length = 3;
            else if (i + 2 == n || s[i + 2] == u' ' || s[i + 2] == u'\t')
                length = 2;
        } else if (lang.has(PercentBlocks) && s[i] == u'<' && i + 1 < n && s[i + 1] == u'%') {
            length = 2;
        }
        if (!length)
            return false;
        if (from >= 0)
            sc.mark(from, i, before);
        sc.mark(i, i + length, TokenKind::Preprocessor);
        *next = i + length;
        *embed = Embed::Block;
        return true;
    }

    qsizetype text(qsizetype i, Embed* embed)
    {
        while (i < n) {
            const char16_t c = s[i];
            if (c == u'&') {
                i = entity(i);
                continue;
            }
            if (c != u'<') {
                ++i;
                continue;
            }
            qsizetype next = 0;
            if (lang.has(PercentBlocks) && at(i, u"<%--")) {
                mode = ServerComment;
                sc.mark(i, i + 4, TokenKind::Comment);
                return i + 4;
            }
            if (blockAt(i, &next, embed))
                return next;
            if (at(i, u"<!--")) {
                mode = Comment;
                sc.mark(i, i + 4, TokenKind::Comment);
                return i + 4;
            }
            if (at(i, u"<![CDATA[")) {
                mode = CData;
                sc.mark(i, i + 9, TokenKind::String);
                return i + 9;
            }
            if (at(i, u"<!")) {
                mode = Declaration;
                sc.mark(i, i + 2, TokenKind::Preprocessor);
                return i + 2;
            }
            if (at(i, u"<?")) {
                mode = Instruction;
                sc.mark(i, i + 2, TokenKind::Preprocessor);
                return i + 2;
            }
            const qsizetype nameStart = i + 1 + (i + 1 < n && s[i + 1] == u'/');
            if (nameStart < n && s[nameStart] < 128 && (lang.cls[s[nameStart]] & WordStart)) {
                const qsizetype end = sc.wordEnd(lang, nameStart);
                sc.mark(i, end, TokenKind::Tag);
                mode = InTag;
                if (lang.has(HtmlEmbeds) && nameStart == i + 1) {
                    const QStringView name(s + nameStart, end - nameStart);
                    if (name.compare(u"script", Qt::CaseInsensitive) == 0)
                        mode |= ScriptTag;
                    else if (name.compare(u"style", Qt::CaseInsensitive) == 0)
                        mode |= StyleTag;
                }
                return end;
            }
            ++i;
        }
        return i;
    }

    // &amp; &#169; &#x263a;
    qsizetype entity(qsizetype i)
    {
        qsizetype j = i + 1;
        if (j < n && s[j] == u'#')
            ++j;
        const qsizetype limit = std::min(n, i + 34);
        while (j < limit && s[j] < 128 && (lang.cls[s[j]] & WordPart))
            ++j;
        if (j < n && s[j] == u';' && j > i + 1) {
            sc.mark(i, j + 1, TokenKind::Entity);
            return j + 1;
        }
        return i + 1;
    }

    qsizetype inTag(qsizetype i, Embed* embed)
    {
        while (i < n) {
            const char16_t c = s[i];
            if (c == u'>' || (c == u'/' && i + 1 < n && s[i + 1] == u'>')) {
                const qsizetype end = i + (c == u'>' ? 1 : 2);
                sc.mark(i, end, TokenKind::Tag);
                const std::uint8_t tag = mode & kEmbedMask;
                mode = Text;
                if (c == u'>' && tag == ScriptTag)
                    *embed = Embed::Script;
                else if (c == u'>' && tag == StyleTag)
                    *embed = Embed::Style;
                return end;
            }
            qsizetype next = 0;
            if (c == u'<' && blockAt(i, &next, embed))
                return next;
            if (c == u'"' || c == u'\'') {
                mode = std::uint8_t((mode & kEmbedMask) | (c == u'"' ? ValueDq : ValueSq));
                sc.mark(i, i + 1, TokenKind::String);
                return i + 1;
            }
            if (c == u'=') {
                sc.mark(i, i + 1, TokenKind::Operator);
                // An unquoted value runs to a blank or the tag's end.
                qsizetype v = sc.skipSpace(i + 1);
                if (v < n && s[v] != u'"' && s[v] != u'\'' && s[v] != u'>' && s[v] != u'<') {
                    qsizetype end = v;
                    while (end < n && s[end] != u' ' && s[end] != u'\t' && s[end] != u'>')
                        ++end;
                    sc.mark(v, end, TokenKind::String);
                    i = end;
                    continue;
                }
                i = v;
                continue;
            }
            if (c < 128 && (lang.cls[c] & WordStart)) {
                const qsizetype end = sc.wordEnd(lang, i);
                sc.mark(i, end, TokenKind::Attribute);
                i = end;
                continue;
            }
            ++i;
        }
        return i;
    }

    qsizetype value(qsizetype i, Embed* embed)
    {
        const char16_t quote = (mode & kModeMask) == ValueDq ? u'"' : u'\'';
        qsizetype j = i;
        for (; j < n; ++j) {
            if (s[j] == quote) {
                sc.mark(i, j + 1, TokenKind::String);
                mode = std::uint8_t((mode & kEmbedMask) | InTag);
                return j + 1;
            }
            qsizetype next = 0;
            if (s[j] == u'<' && blockAt(j, &next, embed, i, TokenKind::String))
                return next;
        }
        sc.mark(i, n, TokenKind::String);
        return n;
    }

    // A construct that ends with close; a code block may still open inside it.
    qsizetype until(qsizetype i, std::u16string_view close, TokenKind kind, Embed* embed)
    {
        const bool blocks = (lang.has(PhpBlocks) || lang.has(PercentBlocks)) && (mode & kModeMask) != ServerComment;
        for (qsizetype j = i; j < n; ++j) {
            if (s[j] == close[0] && at(j, close)) {
                sc.mark(i, j + qsizetype(close.size()), kind);
                mode = Text;
                return j + qsizetype(close.size());
            }
            qsizetype next = 0;
            if (blocks && s[j] == u'<' && blockAt(j, &next, embed, i, kind))
                return next;
        }
        sc.mark(i, n, kind);
        return n;
    }

    Scan& sc;
    const Language& lang;
    const char16_t* s;
    const qsizetype n;
    std::uint8_t& mode;
};

} // namespace

qsizetype lexMarkup(Scan& scan, const Language& lang, std::uint8_t& mode, qsizetype i, Embed* embed)
{
    return Markup(scan, lang, mode).run(i, embed);
}

} // namespace platform::syntax
