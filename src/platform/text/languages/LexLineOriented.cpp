// The line-oriented languages: batch files, assembly, COBOL, Basic and VBScript, LaTeX. Most of
// what they mark ends with the line, so the state is at most LaTeX's mathematics.
#include "platform/text/languages/Language.h"

namespace platform::syntax {

namespace {

enum Mode : std::uint8_t { Text, InlineMath, DisplayMath };

bool isWordAt(const Scan& sc, qsizetype i, const char16_t* lower)
{
    qsizetype k = 0;
    for (; lower[k]; ++k) {
        if (i + k >= sc.n || (sc.s[i + k] | 0x20) != lower[k])
            return false;
    }
    return i + k == sc.n || sc.s[i + k] == u' ' || sc.s[i + k] == u'\t';
}

class LineOriented {
public:
    LineOriented(Scan& scan, const Language& lang, std::uint8_t& mode)
        : sc(scan), lang(lang), s(scan.s), n(scan.n), mode(mode), id(lang.table->id)
    {
    }

    qsizetype run(qsizetype i)
    {
        if (id == LanguageId::Latex)
            return latex(i);
        if (i == 0) {
            i = lineStart();
            if (i >= n)
                return n;
        }
        return code(i);
    }

private:
    // What only the start of a line can be: labels, REM, COBOL's columns, directives.
    qsizetype lineStart()
    {
        qsizetype i = sc.skipSpace(0);
        if (id == LanguageId::Batch) {
            while (i < n && s[i] == u'@')
                ++i;
            if (isWordAt(sc, i, u"rem") || (i + 1 < n && s[i] == u':' && s[i + 1] == u':')) {
                sc.mark(i, n, TokenKind::Comment);
                return n;
            }
            if (i < n && s[i] == u':') {
                sc.mark(i, n, TokenKind::Tag);
                return n;
            }
        } else if (id == LanguageId::Cobol) {
            // Fixed form: a sequence area of six columns, then an indicator.
            if (n >= 7) {
                bool sequence = true;
                for (qsizetype k = 0; k < 6; ++k)
                    sequence = sequence && (s[k] == u' ' || (s[k] >= u'0' && s[k] <= u'9'));
                if (sequence && (s[6] == u'*' || s[6] == u'/')) {
                    sc.mark(6, n, TokenKind::Comment);
                    return n;
                }
                if (sequence)
                    return 7;
            }
            if (i < n && s[i] == u'*' && i == 0) {
                sc.mark(0, n, TokenKind::Comment);
                return n;
            }
        } else if (id == LanguageId::Basic) {
            if (i < n && s[i] == u'#') {
                sc.mark(i, n, TokenKind::Preprocessor);
                return n;
            }
        } else if (id == LanguageId::Assembly) {
            if (i < n && (s[i] == u'%' || s[i] == u'#')) {
                qsizetype end = i + 1;
                while (end < n && s[end] != u';')
                    ++end;
                sc.mark(i, end, TokenKind::Preprocessor);
                return end;
            }
        }
        return i;
    }

    qsizetype code(qsizetype i)
    {
        const bool stopsInStrings = sc.stops && sc.stops->insideStrings;
        while (i < n) {
            if (sc.skipFiller(lang, i))
                continue;
            const char16_t c = s[i];
            const std::uint8_t cls = lang.cls[c];
            if (sc.stopAt(i))
                return i;
            if (c == lang.lineComment[0] && sc.startsWith(i, lang.lineComment))
                return comment(i);
            if (cls & Digit) {
                const qsizetype end = sc.numberEnd(lang, i);
                sc.mark(i, end, TokenKind::Number);
                i = end;
                continue;
            }
            if (cls & WordStart) {
                const qsizetype end = sc.wordEnd(lang, i);
                if (id == LanguageId::Basic && end - i == 3 && isWordAt(sc, i, u"rem"))
                    return comment(i);
                if (id == LanguageId::Assembly && c == u'.')
                    sc.mark(i, end, TokenKind::Preprocessor);
                else
                    sc.word(lang, i, end);
                i = end;
                continue;
            }
            if (c == u'"' || (c == u'\'' && lang.quotes.find(c) != std::u16string::npos)) {
                qsizetype j = i + 1;
                for (; j < n; ++j) {
                    if (s[j] == c) {
                        if (lang.has(DoubledQuotes) && j + 1 < n && s[j + 1] == c) {
                            ++j;
                            continue;
                        }
                        ++j;
                        break;
                    }
                    if (stopsInStrings && sc.stopAt(j))
                        break;
                }
                sc.mark(i, j, TokenKind::String);
                if (sc.stopped >= 0)
                    return j;
                i = j;
                continue;
            }
            if (id == LanguageId::Basic && c == u'&' && i + 1 < n && (s[i + 1] | 0x20) == u'h') {
                const qsizetype end = sc.wordEnd(lang, i + 1);
                sc.mark(i, end, TokenKind::Number);
                i = end;
                continue;
            }
            if (id == LanguageId::Assembly && c == u'$' && i + 1 < n && s[i + 1] < 128
                && (lang.cls[s[i + 1]] & WordPart)) {
                const qsizetype end = sc.wordEnd(lang, i + 1);
                sc.mark(i, end, TokenKind::Number);
                i = end;
                continue;
            }
            if (id == LanguageId::Batch && (c == u'%' || c == u'!')) {
                i = batchVariable(i);
                continue;
            }
            if (cls & OperatorChar)
                sc.mark(i, i + 1, TokenKind::Operator);
            ++i;
        }
        return n;
    }

    qsizetype comment(qsizetype i) { return sc.commentToEnd(i); }

    // %1, %~dp0, %%i, %name%, !name!
    qsizetype batchVariable(qsizetype i)
    {
        const char16_t c = s[i];
        qsizetype j = i + 1;
        if (c == u'%' && j < n && s[j] == u'%')
            ++j;
        if (c == u'%' && j < n && s[j] == u'~') {
            while (j < n && s[j] < 128 && (lang.cls[s[j]] & WordPart) == 0 && s[j] != u' ')
                ++j;
        }
        if (j < n && ((s[j] >= u'0' && s[j] <= u'9') || s[j] == u'*' || j == i + 2)) {
            const qsizetype end = j == i + 2 ? sc.wordEnd(lang, j) : j + 1;
            sc.mark(i, end, TokenKind::Type);
            return std::max(end, i + 1);
        }
        qsizetype k = j;
        while (k < n && s[k] != c && s[k] != u' ' && s[k] != u'"')
            ++k;
        if (k < n && s[k] == c && k > j) {
            sc.mark(i, k + 1, TokenKind::Type);
            return k + 1;
        }
        sc.mark(i, i + 1, TokenKind::Operator);
        return i + 1;
    }

    qsizetype latex(qsizetype i)
    {
        while (i < n) {
            const char16_t c = s[i];
            if (c == u'%') {
                sc.mark(i, n, TokenKind::Comment);
                return n;
            }
            if (c == u'\\' && i + 1 < n) {
                const char16_t d = s[i + 1];
                if ((d == u'[' || d == u'(') && mode == Text) {
                    mode = d == u'[' ? DisplayMath : InlineMath;
                    sc.mark(i, i + 2, TokenKind::String);
                    i += 2;
                    continue;
                }
                if ((d == u']' || d == u')') && mode != Text) {
                    mode = Text;
                    sc.mark(i, i + 2, TokenKind::String);
                    i += 2;
                    continue;
                }
                qsizetype end = i + 1;
                while (end < n && ((s[end] | 0x20) >= u'a' && (s[end] | 0x20) <= u'z'))
                    ++end;
                if (end == i + 1)
                    ++end;
                sc.mark(i, end, mode == Text ? TokenKind::Keyword : TokenKind::String);
                const bool environment = (end - i == 6 && QStringView(s + i, 6) == u"\\begin")
                                         || (end - i == 4 && QStringView(s + i, 4) == u"\\end");
                i = end;
                if (environment && i < n && s[i] == u'{') {
                    qsizetype close = i + 1;
                    while (close < n && s[close] != u'}')
                        ++close;
                    sc.mark(i, i + 1, TokenKind::Operator);
                    sc.mark(i + 1, close, TokenKind::Type);
                    i = close;
                }
                continue;
            }
            if (c == u'$') {
                const bool twice = i + 1 < n && s[i + 1] == u'$';
                const std::uint8_t kind = twice ? DisplayMath : InlineMath;
                sc.mark(i, i + (twice ? 2 : 1), TokenKind::String);
                mode = mode == Text ? kind : std::uint8_t(Text);
                i += twice ? 2 : 1;
                continue;
            }
            if (mode != Text) {
                sc.mark(i, i + 1, TokenKind::String);
            } else if (c == u'{' || c == u'}' || c == u'[' || c == u']' || c == u'&') {
                sc.mark(i, i + 1, TokenKind::Operator);
            }
            ++i;
        }
        return n;
    }

    Scan& sc;
    const Language& lang;
    const char16_t* s;
    const qsizetype n;
    std::uint8_t& mode;
    const LanguageId id;
};

} // namespace

qsizetype lexLineOriented(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t&,
                          qsizetype i)
{
    return LineOriented(scan, lang, mode).run(i);
}

} // namespace platform::syntax
