// The hash-comment scripts: Python, Perl, shell, Makefile, INI.
#include "platform/text/languages/Language.h"

namespace platform::syntax {

namespace {

enum Mode : std::uint8_t {
    Code,
    String0, ///< a string of the table's first quote character, going on from the line before
    String1,
    String2,
    Triple0, ///< Python's """ (first quote character tripled)
    Triple1, ///< Python's '''
    HereDoc, ///< word holds the terminator's key
    HereDocIndented, ///< the terminator may be indented (<<- and <<~)
    PodText, ///< Perl's documentation between =head and =cut
};

class HashScript {
public:
    HashScript(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word)
        : sc(scan), lang(lang), s(scan.s), n(scan.n), mode(mode), word(word)
    {
    }

    qsizetype run(qsizetype i)
    {
        if (lang.has(IniLines))
            return iniLine(i);
        if (i == 0 && lineWide())
            return n;
        while (true) {
            switch (mode) {
            case String0:
            case String1:
            case String2:
                i = string(i, mode - String0, i);
                break;
            case Triple0:
            case Triple1:
                i = triple(i, mode - Triple0, i);
                break;
            default:
                i = code(i);
                break;
            }
            if (i >= n)
                break;
        }
        if (pendingKey) {
            mode = pendingIndented ? HereDocIndented : HereDoc;
            word = pendingKey;
        }
        return n;
    }

private:
    // Modes that take a whole line: here-document bodies and POD.
    bool lineWide()
    {
        if (mode == HereDoc || mode == HereDocIndented) {
            const qsizetype start = mode == HereDocIndented ? sc.skipSpace(0) : 0;
            const qsizetype length = n - start;
            if (length > 0 && std::uint32_t(std::min<qsizetype>(length, 255)) == (word & 0xff)
                && terminatorKey(s + start, length) == word) {
                mode = Code;
                word = 0;
            }
            sc.mark(0, n, TokenKind::String);
            return true;
        }
        if (mode == PodText) {
            if (n >= 4 && s[0] == u'=' && s[1] == u'c' && s[2] == u'u' && s[3] == u't'
                && (n == 4 || s[4] == u' ' || s[4] == u'\t'))
                mode = Code;
            sc.mark(0, n, TokenKind::Comment);
            return true;
        }
        if (mode == Code && lang.has(Pod) && n > 1 && s[0] == u'=' && s[1] < 128
            && (lang.cls[s[1]] & WordStart)) {
            mode = PodText;
            sc.mark(0, n, TokenKind::Comment);
            return true;
        }
        return false;
    }

    bool commentAt(qsizetype i) const
    {
        if (s[i] != lang.lineComment[0] && !(lang.lineComment2.size() && s[i] == lang.lineComment2[0]))
            return false;
        if (i > 0 && s[i - 1] == u'$')
            return false; // $# in Perl and the shell
        if (lang.has(WordStartComments) && i > 0) {
            const char16_t b = s[i - 1];
            return b == u' ' || b == u'\t' || b == u';' || b == u'&' || b == u'|' || b == u'('
                   || b == u')';
        }
        return true;
    }

    qsizetype code(qsizetype i)
    {
        while (i < n) {
            if (sc.skipFiller(lang, i))
                continue;
            const char16_t c = s[i];
            const std::uint8_t cls = lang.cls[c];
            if ((cls & Digit) && (i == 0 || s[i - 1] >= 128 || !(lang.cls[s[i - 1]] & WordPart))) {
                const qsizetype end = sc.numberEnd(lang, i);
                sc.mark(i, end, TokenKind::Number);
                i = end;
                continue;
            }
            if (cls & WordStart) {
                const qsizetype end = sc.wordEnd(lang, i);
                // Python's r"", b'', f"" prefixes belong to the string.
                if (lang.has(TripleQuotes) && end - i <= 2 && end < n
                    && lang.quotes.find(s[end]) != std::u16string::npos) {
                    bool prefix = true;
                    for (qsizetype k = i; k < end; ++k)
                        prefix = prefix && QStringView(u"rRbBfFuU").contains(QChar(s[k]));
                    if (prefix)
                        return quoted(end, i);
                }
                sc.word(lang, i, end);
                i = end;
                continue;
            }
            if (commentAt(i)) {
                sc.mark(i, n, TokenKind::Comment);
                return n;
            }
            if (lang.quotes.find(c) != std::u16string::npos)
                return quoted(i, i);
            if (c == u'@' && lang.has(Decorators) && sc.skipSpace(0) == i) {
                qsizetype end = i + 1;
                while (end < n && (sc.wordEnd(lang, end) > end || s[end] == u'.'))
                    end = s[end] == u'.' ? end + 1 : sc.wordEnd(lang, end);
                sc.mark(i, end, TokenKind::Preprocessor);
                i = end;
                continue;
            }
            if (c == u'$' && lang.has(Variables) && i + 1 < n) {
                i = variable(i);
                continue;
            }
            if (c == u'<' && lang.has(HereDocs) && i + 2 < n && s[i + 1] == u'<' && s[i + 2] != u'<') {
                i = hereDocStart(i);
                continue;
            }
            if ((c == u'=' || c == u'!') && lang.has(Pod) && i + 1 < n && s[i + 1] == u'~') {
                // A Perl match: its slashes enclose a pattern, not code.
                sc.mark(i, i + 2, TokenKind::Operator);
                i = sc.skipSpace(i + 2);
                if (i < n && s[i] == u'/') {
                    qsizetype end = i + 1;
                    while (end < n && s[end] != u'/')
                        end += s[end] == u'\\' ? 2 : 1;
                    end = std::min(end + 1, n);
                    sc.mark(i, end, TokenKind::String);
                    i = end;
                }
                continue;
            }
            if (cls & OperatorChar)
                sc.mark(i, i + 1, TokenKind::Operator);
            ++i;
        }
        return i;
    }

    // A string opening at i (its colour from start, which may be before a prefix).
    qsizetype quoted(qsizetype i, qsizetype start)
    {
        const int quote = int(lang.quotes.find(s[i]));
        if (lang.has(TripleQuotes) && quote < 2 && i + 2 < n && s[i + 1] == s[i] && s[i + 2] == s[i]) {
            mode = std::uint8_t(Triple0 + quote);
            return triple(i + 3, quote, start);
        }
        return string(i + 1, quote, start);
    }

    qsizetype string(qsizetype i, int quote, qsizetype start)
    {
        const char16_t q = lang.quotes[size_t(quote)];
        // The shell's '...' knows no escapes.
        const bool escapes = lang.has(BackslashEscapes) && !(q == u'\'' && lang.has(WordStartComments));
        qsizetype j = i;
        bool closed = false, escapedEnd = false;
        for (; j < n; ++j) {
            if (s[j] == q) {
                closed = true;
                ++j;
                break;
            }
            if (s[j] == u'\\' && escapes) {
                escapedEnd = j + 1 == n;
                ++j;
            }
        }
        j = std::min(j, n);
        sc.mark(start, j, TokenKind::String);
        if (closed)
            mode = Code;
        else if (lang.has(MultiLineStrings) || escapedEnd)
            mode = std::uint8_t(String0 + quote);
        else
            mode = Code;
        return j;
    }

    qsizetype triple(qsizetype i, int quote, qsizetype start)
    {
        const char16_t q = lang.quotes[size_t(quote)];
        qsizetype j = i;
        for (; j < n; ++j) {
            if (s[j] == u'\\') {
                ++j;
                continue;
            }
            if (s[j] == q && j + 2 < n && s[j + 1] == q && s[j + 2] == q) {
                j += 3;
                mode = Code;
                break;
            }
        }
        j = std::min(j, n);
        sc.mark(start, j, TokenKind::String);
        return j;
    }

    // $(NAME), ${NAME}, $@ in a Makefile.
    qsizetype variable(qsizetype i)
    {
        const char16_t open = s[i + 1];
        qsizetype end = i + 2;
        if (open == u'(' || open == u'{') {
            const char16_t close = open == u'(' ? u')' : u'}';
            int depth = 1;
            for (; end < n && depth > 0; ++end) {
                if (s[end] == open)
                    ++depth;
                else if (s[end] == close)
                    --depth;
            }
        }
        sc.mark(i, end, TokenKind::Preprocessor);
        return end;
    }

    // <<EOF, <<-EOF, <<'EOF', <<"EOF", <<~EOF: the body starts on the next line.
    qsizetype hereDocStart(qsizetype i)
    {
        qsizetype j = i + 2;
        bool indented = false;
        if (j < n && (s[j] == u'-' || s[j] == u'~')) {
            indented = true;
            ++j;
        }
        if (lang.has(WordStartComments))
            j = sc.skipSpace(j);
        char16_t quote = 0;
        if (j < n && (s[j] == u'\'' || s[j] == u'"')) {
            quote = s[j];
            ++j;
        }
        const qsizetype wordStart = j;
        if (j >= n || s[j] >= 128 || !(lang.cls[s[j]] & WordStart) || s[j] == u'$') {
            sc.mark(i, i + 2, TokenKind::Operator);
            return i + 2;
        }
        while (j < n && s[j] < 128 && (lang.cls[s[j]] & WordPart))
            ++j;
        const qsizetype wordEnd = j;
        if (quote) {
            if (j >= n || s[j] != quote) {
                sc.mark(i, i + 2, TokenKind::Operator);
                return i + 2;
            }
            ++j;
        }
        sc.mark(i, wordStart - (quote ? 1 : 0), TokenKind::Operator);
        sc.mark(wordStart - (quote ? 1 : 0), j, TokenKind::String);
        if (!pendingKey) {
            pendingKey = terminatorKey(s + wordStart, wordEnd - wordStart);
            pendingIndented = indented;
        }
        return j;
    }

    // [section], key = value, ; comment
    qsizetype iniLine(qsizetype i)
    {
        i = sc.skipSpace(i);
        if (i >= n)
            return n;
        if (commentAt(i)) {
            sc.mark(i, n, TokenKind::Comment);
            return n;
        }
        if (s[i] == u'[') {
            qsizetype end = i;
            while (end < n && s[end] != u']')
                ++end;
            sc.mark(i, std::min(end + 1, n), TokenKind::Keyword);
            return n;
        }
        qsizetype eq = i;
        while (eq < n && s[eq] != u'=' && s[eq] != u':')
            ++eq;
        if (eq == n)
            return n;
        qsizetype keyEnd = eq;
        while (keyEnd > i && (s[keyEnd - 1] == u' ' || s[keyEnd - 1] == u'\t'))
            --keyEnd;
        sc.mark(i, keyEnd, TokenKind::Attribute);
        sc.mark(eq, eq + 1, TokenKind::Operator);
        qsizetype v = sc.skipSpace(eq + 1);
        if (v < n && s[v] == u'"')
            sc.mark(v, n, TokenKind::String);
        else if (v < n && s[v] >= u'0' && s[v] <= u'9' && sc.numberEnd(lang, v) == n)
            sc.mark(v, n, TokenKind::Number);
        return n;
    }

    Scan& sc;
    const Language& lang;
    const char16_t* s;
    const qsizetype n;
    std::uint8_t& mode;
    std::uint32_t& word;
    std::uint32_t pendingKey = 0;
    bool pendingIndented = false;
};

} // namespace

qsizetype lexHashScript(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word,
                        qsizetype i)
{
    return HashScript(scan, lang, mode, word).run(i);
}

} // namespace platform::syntax
