#pragma once
// The language tables and what the four family lexers share. Internal to the lexer.

#include "platform/text/Lexer.h"

#include <QStringView>
#include <memory>
#include <string_view>

namespace platform::syntax {

enum class Family : std::uint8_t { None, CLike, HashScript, Markup, LineOriented };

/// Rules a table switches on; each family reads only those that concern it.
enum Rule : std::uint32_t {
    BackslashEscapes = 1u << 0, ///< "a\"b"
    DoubledQuotes = 1u << 1, ///< 'it''s'
    ContinuedStrings = 1u << 2, ///< a string or directive ending in a backslash goes on
    MultiLineStrings = 1u << 3, ///< quotes may span lines (shell, Perl)
    TemplateLiterals = 1u << 4, ///< `a ${b} c`
    TripleQuotes = 1u << 5, ///< Python's """ and '''
    HereDocs = 1u << 6, ///< <<EOF ... EOF
    HashPreprocessor = 1u << 7, ///< #include at the start of a line
    Decorators = 1u << 8, ///< @name at the start of a line
    Pod = 1u << 9, ///< Perl's =head ... =cut
    WordStartComments = 1u << 10, ///< '#' comments only where a word may start (shell)
    Variables = 1u << 11, ///< $(NAME) and ${NAME} as preprocessor (make)
    AtRules = 1u << 12, ///< CSS @media, and #fff as a number
    IniLines = 1u << 13, ///< [section] and key=value
    Xml = 1u << 14, ///< case-sensitive tags, <?...?> is a processing instruction
    PhpBlocks = 1u << 15, ///< <?php ... ?> and <?= ... ?>
    PercentBlocks = 1u << 16, ///< <% ... %>
    HtmlEmbeds = 1u << 17, ///< <script> and <style> hold JavaScript and CSS
    RegexLiterals = 1u << 18, ///< /a+b/g where a value may start
    VerbatimStrings = 1u << 19, ///< C#'s @"C:\dir" (over lines, "" for a quote)
    RawStrings = 1u << 20, ///< C++'s R"x(...)x" (over lines)
    TripleHereDocs = 1u << 21, ///< PHP's <<<EOT ... EOT
};

/// One language, as data. Words are separated by spaces; delimiters are ASCII.
struct LanguageTable {
    LanguageId id;
    Family family;
    const char* keywords;
    const char* types;
    bool caseInsensitive;
    std::uint32_t rules;
    const char* lineComment; ///< nullptr: none
    const char* lineComment2;
    const char* blockOpen;
    const char* blockClose;
    const char* blockOpen2;
    const char* blockClose2;
    const char* quotes; ///< characters that open and close a string
    const char* wordExtra; ///< characters inside words beyond letters, digits and '_'
    LanguageId block = LanguageId::None; ///< the code in a page's <?php ?> or <% %> blocks
};

/// A set of words, looked up without allocating.
class WordSet {
public:
    WordSet() = default;
    WordSet(const char* words, bool caseInsensitive);
    bool contains(const char16_t* word, qsizetype length) const;

private:
    static std::uint32_t hash(const char16_t* word, qsizetype length, bool fold);
    std::u16string chars_;
    std::vector<std::uint32_t> slots_; ///< offset + 1 into chars_ ([length][chars]); 0 empty
    std::uint32_t mask_ = 0;
    bool fold_ = false;
};

/// Character classes in a language, for the ASCII range.
enum CharClass : std::uint8_t {
    WordStart = 1,
    WordPart = 2,
    Digit = 4,
    Space = 8,
    OperatorChar = 16,
};

/// A table ready for lexing: its words hashed and its characters classified.
struct Language {
    const LanguageTable* table = nullptr;
    WordSet keywords;
    WordSet types;
    std::uint8_t cls[128] = {};
    std::u16string lineComment, lineComment2, blockOpen, blockClose, blockOpen2, blockClose2;
    std::u16string quotes;
    bool has(Rule r) const { return table->rules & r; }
};

const Language& language(LanguageId id);
const LanguageTable* languageTable(LanguageId id);

/// Patterns that end an embedded language or open one inside it ("</script", "?>", "<?php").
struct Stops {
    static constexpr int kMax = 4;
    std::u16string_view text[kMax];
    int count = 0;
    bool insideStrings = false; ///< found even inside strings and block comments
    std::uint64_t first[2] = {}; ///< ASCII first characters, either case
    void add(std::u16string_view pattern);
    /// The pattern starting at s[i], or -1.
    int match(const char16_t* s, qsizetype i, qsizetype n) const;
    bool mayStart(char16_t c) const { return c < 128 && (first[c >> 6] >> (c & 63) & 1); }
};

/// One line being lexed, and where its tokens go.
struct Scan {
    const char16_t* s = nullptr;
    qsizetype n = 0;
    std::vector<Token>* out = nullptr;
    qsizetype from = 0, to = 0;
    const Stops* stops = nullptr;
    int stopped = -1; ///< the stop a family lexer halted at

    bool wants() const { return out != nullptr; }
    void mark(qsizetype start, qsizetype end, TokenKind kind);
    /// A stop at i (only when stops apply here).
    bool stopAt(qsizetype i)
    {
        if (!stops || !stops->mayStart(s[i]))
            return false;
        stopped = stops->match(s, i, n);
        return stopped >= 0;
    }
    /// A comment from i to the line's end, or to a stop before it ("// ?>" leaves PHP); where it ends.
    qsizetype commentToEnd(qsizetype i)
    {
        qsizetype j = i;
        if (stops) {
            while (j < n && !stopAt(j))
                ++j;
        } else {
            j = n;
        }
        mark(i, j, TokenKind::Comment);
        return j;
    }
    bool startsWith(qsizetype i, const std::u16string& pattern, bool fold = false) const;
    /// The end of a word starting at i.
    qsizetype wordEnd(const Language& lang, qsizetype i) const;
    /// The end of a number starting at i (a digit, or '.' before one).
    qsizetype numberEnd(const Language& lang, qsizetype i) const;
    /// Colours a word as a keyword or type when it is one.
    void word(const Language& lang, qsizetype start, qsizetype end);
    /// Steps over a blank, or over a word of letters beyond ASCII, which starts no token in any
    /// language here; true when it did.
    bool skipFiller(const Language& lang, qsizetype& i) const
    {
        if (s[i] >= 128) {
            const qsizetype end = wordEnd(lang, i);
            i = end > i ? end : i + 1;
            return true;
        }
        if (lang.cls[s[i]] & Space) {
            ++i;
            return true;
        }
        return false;
    }
    /// Where the text from i on stops being blank.
    qsizetype skipSpace(qsizetype i) const
    {
        while (i < n && (s[i] == u' ' || s[i] == u'\t'))
            ++i;
        return i;
    }
};

/// Hash of a here-document's terminator with its length in the low byte; never 0.
std::uint32_t terminatorKey(const char16_t* word, qsizetype length);

// The family lexers: each lexes s[i, n) from mode (and word), colours what it finds, and
// returns where it stopped: n, or the position of a stop (scan.stopped set).
qsizetype lexCLike(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word, qsizetype i);
qsizetype lexHashScript(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word, qsizetype i);
qsizetype lexLineOriented(Scan& scan, const Language& lang, std::uint8_t& mode, std::uint32_t& word, qsizetype i);

/// What a page's lexer asks of the level above it when it stops before n.
enum class Embed : std::uint8_t { None, Script, Style, Block };
qsizetype lexMarkup(Scan& scan, const Language& lang, std::uint8_t& mode, qsizetype i, Embed* embed);

} // namespace platform::syntax
