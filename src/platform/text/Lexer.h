#pragma once

#include <QStringView>
#include <array>
#include <cstdint>
#include <vector>

namespace platform::syntax {

/// What a stretch of source is, for its colour; the palette maps each kind to a colour.
enum class TokenKind : std::uint8_t {
    Keyword,
    Type,
    String,
    Number,
    Comment,
    Preprocessor,
    Tag,
    Attribute,
    Entity,
    Operator,
};
constexpr int kTokenKinds = 10;

/// A coloured stretch of one line; what lies between tokens is plain text.
struct Token {
    qsizetype start = 0;
    qsizetype length = 0;
    TokenKind kind = TokenKind::Keyword;
    bool operator==(const Token&) const = default;
};

/// The languages a document can be coloured as. None leaves it plain.
enum class LanguageId : std::uint8_t {
    None,
    Cpp, ///< C and C++
    CSharp,
    Java,
    JavaScript,
    Css,
    PhpCode, ///< the code between <?php and ?>
    Sql,
    Pascal,
    Python,
    Perl,
    Shell,
    Makefile,
    Ini,
    Html, ///< HTML and XHTML
    Xml,
    Php, ///< a PHP page: HTML with PHP blocks
    Asp, ///< HTML with VBScript blocks
    Jsp, ///< HTML with Java blocks
    ColdFusion,
    Batch,
    Assembly,
    Cobol,
    Basic, ///< Basic and VBScript
    Latex,
    Count
};

/// The lexer's state at a line boundary: what the line starts inside of (a comment, a string, a
/// script in a page...). Small and flat so that keeping one every few hundred lines of a
/// gigabyte costs little, and two compare with a few instructions.
///
/// An embedded language is a deeper level: a page's <script> is level 1 over the page at level 0,
/// and PHP inside that script is level 2. Each level keeps its language and its mode (a number
/// only that language's lexer gives a meaning). word belongs to the innermost level: a
/// here-document's terminator (a hash with its length in the low byte, so that the terminator
/// itself need not be kept), or how deep a template literal's ${...} is nested.
struct LexState {
    static constexpr int kLevels = 3;
    std::array<LanguageId, kLevels> lang{};
    std::array<std::uint8_t, kLevels> mode{};
    std::uint8_t depth = 0; ///< the innermost level in use
    std::uint32_t word = 0;
    bool operator==(const LexState&) const = default;
};

/// The state at the top of a document in language.
LexState initialState(LanguageId language);

/// Lexes one line that starts in state and returns the state at its end. With tokens, appends
/// the tokens that overlap [from, to) (to < 0: the line's end), clipped to it, so that a stretch
/// of a very long line costs no token list for the whole line. Without tokens it only carries
/// the state, which is what filling in the states of a large file needs. Works in one pass with
/// no allocation beyond the token list, whatever the line's length.
LexState lexLine(QStringView line, const LexState& state, std::vector<Token>* tokens = nullptr,
                 qsizetype from = 0, qsizetype to = -1);

} // namespace platform::syntax
