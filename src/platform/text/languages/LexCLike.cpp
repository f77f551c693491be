// The C family: C, C++, C#, Java, JavaScript, CSS, PHP code, SQL, Pascal.
#include "platform/text/languages/Language.h"

namespace platform::syntax {

namespace {

enum Mode : std::uint8_t {
    Code,
    Block1, ///< inside the table's first block comment
    Block2, ///< inside its second one (Pascal's (* *))
    String0, ///< a string of the first quote character, going on from the line before
    String1,
    String2,
    Template, ///< inside `...`
    TemplateCode, ///< inside ${...} of a template; word counts the open braces
    Directive, ///< a #directive going on after a backslash
    Verbatim, ///< inside C#'s @"..."
    Raw, ///< inside C++'s R"x(...)x"; word holds the key of )x"
    HereDoc, ///< inside PHP's <<<EOT; word holds the key of EOT
};

bool isHex(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

class CLike {
public:
    CLike(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word)
        : sc(scan), lang(lang), s(scan.s), n(scan.n), mode(mode), word(word)
    {
    }

    qsizetype run(qsizetype i)
    {
        const bool lineStart = i == 0;
        if (mode == HereDoc && lineStart && !hereDocEnds())
            return n;
        while (true) {
            switch (mode) {
            case Block1:
            case Block2:
                i = blockComment(i);
                break;
            case String0:
            case String1:
            case String2:
                i = string(i, mode - String0, i);
                break;
            case Template:
                i = templateText(i);
                break;
            case Directive:
                i = directive(i);
                break;
            case Verbatim:
                i = verbatim(i, i);
                break;
            case Raw:
                i = raw(i, i);
                break;
            default:
                i = code(i, lineStart);
                break;
            }
            if (sc.stopped >= 0 || i >= n)
                break;
        }
        if (pendingKey && sc.stopped < 0) {
            mode = HereDoc;
            word = pendingKey;
        }
        return sc.stopped >= 0 ? i : n;
    }

private:
    // Code up to the end of the line, a stop, or the start of a construct that has a mode.
    qsizetype code(qsizetype i, bool lineStart)
    {
        const std::uint8_t codeMode = mode;
        while (i < n) {
            if (sc.skipFiller(lang, i))
                continue;
            const char16_t c = s[i];
            const std::uint8_t cls = lang.cls[c];
            if (sc.stopAt(i))
                return i;
            if ((cls & Digit) || (c == u'.' && i + 1 < n && s[i + 1] >= u'0' && s[i + 1] <= u'9')) {
                const qsizetype end = sc.numberEnd(lang, i);
                sc.mark(i, end, TokenKind::Number);
                i = end;
                continue;
            }
            if (cls & WordStart) {
                const qsizetype end = sc.wordEnd(lang, i);
                if (end < n && s[end] == u'"' && s[end - 1] == u'R' && end - i <= 3 && lang.has(RawStrings)) {
                    const qsizetype after = rawStart(i, end);
                    if (after > end)
                        return after;
                }
                sc.word(lang, i, end);
                i = end;
                continue;
            }
            if ((c == lang.lineComment[0] && sc.startsWith(i, lang.lineComment))
                || (!lang.lineComment2.empty() && c == lang.lineComment2[0]
                    && sc.startsWith(i, lang.lineComment2)))
                return lineComment(i);
            if (c == lang.blockOpen[0] && sc.startsWith(i, lang.blockOpen)) {
                mode = Block1;
                sc.mark(i, i + qsizetype(lang.blockOpen.size()), TokenKind::Comment);
                return i + qsizetype(lang.blockOpen.size());
            }
            if (!lang.blockOpen2.empty() && c == lang.blockOpen2[0] && sc.startsWith(i, lang.blockOpen2)) {
                mode = Block2;
                sc.mark(i, i + qsizetype(lang.blockOpen2.size()), TokenKind::Comment);
                return i + qsizetype(lang.blockOpen2.size());
            }
            if (c == u'`' && lang.has(TemplateLiterals)) {
                if (codeMode == TemplateCode) {
                    // A template inside ${...}: kept to its line.
                    i = string(i + 1, -1, i);
                    continue;
                }
                mode = Template;
                sc.mark(i, i + 1, TokenKind::String);
                return i + 1;
            }
            const size_t quote = lang.quotes.find(c);
            if (quote != std::u16string::npos) {
                const std::uint8_t before = mode;
                i = string(i + 1, int(quote), i);
                if (mode != before || sc.stopped >= 0)
                    return i;
                continue;
            }
            if (c == u'/' && lang.has(RegexLiterals) && valueMayStart(i)) {
                const qsizetype end = regex(i);
                if (sc.stopped >= 0)
                    return end;
                if (end > i) {
                    i = end;
                    continue;
                }
            }
            if (c == u'<' && lang.has(TripleHereDocs) && i + 3 < n && s[i + 1] == u'<' && s[i + 2] == u'<') {
                i = hereDocStart(i);
                continue;
            }
            if (c == u'@' && lang.has(VerbatimStrings) && i + 1 < n && s[i + 1] == u'"') {
                mode = Verbatim;
                return verbatim(i + 2, i);
            }
            if (c == u'#' && lineStart && lang.has(HashPreprocessor) && sc.skipSpace(0) == i)
                return directive(i);
            if (c == u'@' && lang.has(Decorators) && i + 1 < n && s[i + 1] < 128
                && (lang.cls[s[i + 1]] & WordStart)) {
                const qsizetype end = sc.wordEnd(lang, i + 1);
                sc.mark(i, end, TokenKind::Preprocessor);
                i = end;
                continue;
            }
            if ((c == u'$' || c == u'#') && i + 1 < n && isHex(s[i + 1])) {
                // Pascal's $FF and #13, CSS's #fff.
                qsizetype end = i + 1;
                while (end < n && isHex(s[end]))
                    ++end;
                if (c == u'$' || lang.has(AtRules) || (end < n && s[end] < 128 && !(lang.cls[s[end]] & WordPart))
                    || end == n) {
                    sc.mark(i, end, TokenKind::Number);
                    i = end;
                    continue;
                }
            }
            if (codeMode == TemplateCode && (c == u'{' || c == u'}')) {
                if (c == u'{') {
                    ++word;
                } else if (--word == 0) {
                    sc.mark(i, i + 1, TokenKind::Operator);
                    mode = Template;
                    return i + 1;
                }
            }
            if (cls & OperatorChar)
                sc.mark(i, i + 1, TokenKind::Operator);
            ++i;
        }
        return i;
    }

    qsizetype lineComment(qsizetype i) { return sc.commentToEnd(i); }

    qsizetype blockComment(qsizetype i)
    {
        const std::u16string& close = mode == Block1 ? lang.blockClose : lang.blockClose2;
        const char16_t first = close[0];
        const bool stops = sc.stops && sc.stops->insideStrings;
        qsizetype j = i;
        for (; j < n; ++j) {
            if (s[j] == first && sc.startsWith(j, close)) {
                j += qsizetype(close.size());
                mode = Code;
                break;
            }
            if (stops && sc.stopAt(j))
                break;
        }
        sc.mark(i, j, TokenKind::Comment);
        return j;
    }

    // A string's text from i (after its opening quote, or the start of a line it goes on to);
    // quote -1 is a template kept to one line. start is where its colour starts.
    qsizetype string(qsizetype i, int quote, qsizetype start)
    {
        const char16_t q = quote < 0 ? u'`' : lang.quotes[size_t(quote)];
        const bool escapes = lang.has(BackslashEscapes);
        const bool doubled = lang.has(DoubledQuotes);
        const bool stops = sc.stops && sc.stops->insideStrings;
        qsizetype j = i;
        bool closed = false, escapedEnd = false;
        for (; j < n; ++j) {
            const char16_t c = s[j];
            if (c == q) {
                if (doubled && j + 1 < n && s[j + 1] == q) {
                    ++j;
                    continue;
                }
                closed = true;
                ++j;
                break;
            }
            if (c == u'\\' && escapes) {
                if (j + 1 == n)
                    escapedEnd = true;
                ++j;
                continue;
            }
            if (stops && sc.stopAt(j))
                break;
        }
        j = std::min(j, n);
        sc.mark(start, j, TokenKind::String);
        if (sc.stopped >= 0 || quote < 0) {
            if (sc.stopped >= 0 && quote >= 0)
                mode = std::uint8_t(String0 + quote);
            return j;
        }
        if (closed)
            mode = mode == TemplateCode ? TemplateCode : Code;
        else if (lang.has(MultiLineStrings) || (escapedEnd && lang.has(ContinuedStrings)))
            mode = std::uint8_t(String0 + quote);
        else
            mode = Code;
        return j;
    }

    // Whether a '/' at i starts a regular expression rather than dividing: it does where a
    // value may start (after an operator, an opening bracket, or at the start of the line).
    bool valueMayStart(qsizetype i) const
    {
        qsizetype k = i - 1;
        while (k >= 0 && (s[k] == u' ' || s[k] == u'\t'))
            --k;
        return k < 0 || QStringView(u"(,=:[!&|?{};+-*%<>~^").contains(QChar(s[k]));
    }

    // /.../flags to the end of the line at most; i itself when it does not close there.
    qsizetype regex(qsizetype i)
    {
        const bool stops = sc.stops && sc.stops->insideStrings;
        bool inClass = false;
        for (qsizetype j = i + 1; j < n; ++j) {
            const char16_t c = s[j];
            if (stops && sc.stopAt(j)) {
                sc.mark(i, j, TokenKind::String);
                return j;
            }
            if (c == u'\\') {
                ++j;
            } else if (c == u'[') {
                inClass = true;
            } else if (c == u']') {
                inClass = false;
            } else if (c == u'/' && !inClass) {
                const qsizetype end = sc.wordEnd(lang, j + 1);
                sc.mark(i, end, TokenKind::String);
                return end;
            }
        }
        return i;
    }

    // R"x( at quote - 1 (a prefix from start): the string runs to )x", maybe lines later. Returns
    // quote when this is no raw string.
    qsizetype rawStart(qsizetype start, qsizetype quote)
    {
        qsizetype open = quote + 1;
        while (open < n && open - quote <= 17 && s[open] != u'(' && s[open] != u' ' && s[open] != u'\\'
               && s[open] != u')' && s[open] != u'"')
            ++open;
        if (open >= n || s[open] != u'(' || open - quote > 17)
            return quote; // the delimiter has 16 characters at most
        // The key of ")x\"", built as the text would read it.
        char16_t close[18];
        close[0] = u')';
        const qsizetype delimiter = open - quote - 1;
        std::copy(s + quote + 1, s + open, close + 1);
        close[delimiter + 1] = u'"';
        word = terminatorKey(close, delimiter + 2);
        mode = Raw;
        return raw(open + 1, start);
    }

    qsizetype raw(qsizetype i, qsizetype start)
    {
        const qsizetype length = word & 0xff;
        qsizetype j = i;
        for (; j < n; ++j) {
            if (s[j] == u')' && n - j >= length && terminatorKey(s + j, length) == word) {
                j += length;
                mode = Code;
                word = 0;
                break;
            }
        }
        sc.mark(start, j, TokenKind::String);
        return j;
    }

    // <<<EOT, <<<"EOT", <<<'EOT': the body starts on the next line.
    qsizetype hereDocStart(qsizetype i)
    {
        qsizetype j = sc.skipSpace(i + 3);
        const char16_t quote = j < n && (s[j] == u'"' || s[j] == u'\'') ? s[j] : 0;
        const qsizetype wordStart = j + (quote ? 1 : 0);
        const qsizetype wordEnd = wordStart < n ? sc.wordEnd(lang, wordStart) : wordStart;
        if (wordEnd == wordStart || (quote && (wordEnd >= n || s[wordEnd] != quote))) {
            sc.mark(i, i + 2, TokenKind::Operator);
            return i + 2;
        }
        sc.mark(i, i + 3, TokenKind::Operator);
        const qsizetype end = wordEnd + (quote ? 1 : 0);
        sc.mark(j, end, TokenKind::String);
        pendingKey = terminatorKey(s + wordStart, wordEnd - wordStart);
        return end;
    }

    // A line of a here-document: the whole line, unless it starts (after blanks) with the
    // terminator, after which code goes on ("EOT;").
    bool hereDocEnds()
    {
        const qsizetype start = sc.skipSpace(0);
        const qsizetype end = start < n ? sc.wordEnd(lang, start) : start;
        if (end > start && std::uint32_t(std::min<qsizetype>(end - start, 255)) == (word & 0xff)
            && terminatorKey(s + start, end - start) == word) {
            sc.mark(start, end, TokenKind::String);
            mode = Code;
            word = 0;
            return true;
        }
        sc.mark(0, n, TokenKind::String);
        return false;
    }

    // C#'s verbatim string from i; its colour from start.
    qsizetype verbatim(qsizetype i, qsizetype start)
    {
        qsizetype j = i;
        for (; j < n; ++j) {
            if (s[j] != u'"')
                continue;
            if (j + 1 < n && s[j + 1] == u'"') {
                ++j;
                continue;
            }
            ++j;
            mode = Code;
            break;
        }
        sc.mark(start, j, TokenKind::String);
        return j;
    }

    qsizetype templateText(qsizetype i)
    {
        const bool stops = sc.stops && sc.stops->insideStrings;
        qsizetype j = i;
        for (; j < n; ++j) {
            const char16_t c = s[j];
            if (c == u'`') {
                sc.mark(i, j + 1, TokenKind::String);
                mode = Code;
                return j + 1;
            }
            if (c == u'\\') {
                ++j;
                continue;
            }
            if (c == u'$' && j + 1 < n && s[j + 1] == u'{') {
                sc.mark(i, j, TokenKind::String);
                sc.mark(j, j + 2, TokenKind::Operator);
                mode = TemplateCode;
                word = 1;
                return j + 2;
            }
            if (stops && sc.stopAt(j))
                break;
        }
        j = std::min(j, n);
        sc.mark(i, j, TokenKind::String);
        return j;
    }

    // A #directive to the end of its line, up to a comment; its strings are part of it.
    qsizetype directive(qsizetype i)
    {
        qsizetype j = i;
        mode = Code;
        for (; j < n; ++j) {
            const char16_t c = s[j];
            if (c == u'"' || c == u'\'') {
                for (++j; j < n && s[j] != c; ++j) {
                    if (s[j] == u'\\')
                        ++j;
                }
                if (j >= n)
                    break;
                continue;
            }
            if (c == u'/' && j + 1 < n && (s[j + 1] == u'/' || s[j + 1] == u'*'))
                break;
        }
        j = std::min(j, n);
        sc.mark(i, j, TokenKind::Preprocessor);
        if (j == n && n > 0 && s[n - 1] == u'\\')
            mode = Directive;
        return j;
    }

    Scan& sc;
    const Language& lang;
    const char16_t* s;
    const qsizetype n;
    std::uint8_t& mode;
    std::uint32_t& word;
    std::uint32_t pendingKey = 0;
};

} // namespace

qsizetype lexCLike(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word, qsizetype i)
{
    return CLike(scan, lang, mode, word).run(i);
}

} // namespace platform::syntax
