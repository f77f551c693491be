// One table per language. What a language's lexer does with the table is its family's code.
#include "platform/text/languages/Language.h"

#include <array>
#include <cstring>

namespace platform::syntax {

namespace {

constexpr const char* kCppKeywords =
    "alignas alignof asm auto break case catch class const consteval constexpr constinit const_cast "
    "continue co_await co_return co_yield decltype default delete do dynamic_cast else enum explicit "
    "export extern false final for friend goto if inline mutable namespace new noexcept nullptr "
    "operator override private protected public register reinterpret_cast requires return sizeof "
    "static static_assert static_cast struct switch template this thread_local throw true try "
    "typedef typeid typename union using virtual volatile while NULL";
constexpr const char* kCppTypes =
    "bool char char8_t char16_t char32_t double float int long short signed unsigned void wchar_t "
    "size_t ssize_t ptrdiff_t int8_t int16_t int32_t int64_t uint8_t uint16_t uint32_t uint64_t "
    "intptr_t uintptr_t FILE";
constexpr const char* kCSharpKeywords =
    "abstract as base break case catch checked class const continue default delegate do else enum "
    "event explicit extern false finally fixed for foreach goto if implicit in interface internal is "
    "lock namespace new null operator out override params private protected public readonly ref "
    "return sealed sizeof stackalloc static struct switch this throw true try typeof unchecked "
    "unsafe using virtual volatile while async await var get set yield partial where record";
constexpr const char* kCSharpTypes =
    "bool byte char decimal double float int long object sbyte short string uint ulong ushort void "
    "dynamic nint nuint String Object";
constexpr const char* kJavaKeywords =
    "abstract assert break case catch class const continue default do else enum extends final "
    "finally for goto if implements import instanceof interface native new package private "
    "protected public return static strictfp super switch synchronized this throw throws transient "
    "try volatile while true false null var record yield sealed permits";
constexpr const char* kJavaTypes =
    "boolean byte char double float int long short void String Object Integer Long Double Boolean";
constexpr const char* kJsKeywords =
    "async await break case catch class const continue debugger default delete do else export "
    "extends false finally for function if import in instanceof let new null of return static super "
    "switch this throw true try typeof undefined var void while with yield";
constexpr const char* kJsTypes =
    "Array Boolean Date Error Function JSON Map Math Number Object Promise RegExp Set String Symbol "
    "BigInt window document console";
constexpr const char* kCssKeywords =
    "@media @import @font-face @keyframes @charset @supports @page @namespace !important";
constexpr const char* kCssTypes =
    "color background background-color border border-radius bottom display float font font-family "
    "font-size font-weight height left line-height margin margin-top margin-bottom margin-left "
    "margin-right opacity overflow padding padding-top padding-bottom padding-left padding-right "
    "position right text-align text-decoration top vertical-align visibility white-space width "
    "z-index content cursor transition transform flex grid gap align-items justify-content";
constexpr const char* kPhpKeywords =
    "abstract and array as break callable case catch class clone const continue declare default do "
    "echo else elseif empty enddeclare endfor endforeach endif endswitch endwhile extends final "
    "finally fn for foreach function global goto if implements include include_once instanceof "
    "insteadof interface isset list match namespace new or print private protected public readonly "
    "require require_once return static switch throw trait try unset use var while xor yield true "
    "false null TRUE FALSE NULL";
constexpr const char* kPhpTypes = "int float bool string void mixed object iterable self parent";
constexpr const char* kSqlKeywords =
    "add all alter and any as asc begin between by case check column commit constraint create "
    "cross database default delete desc distinct drop else end exists foreign from full grant group "
    "having if in index inner insert into is join key left like limit not null on or order outer "
    "primary procedure references revoke right rollback select set table then top transaction "
    "trigger truncate union unique update values view when where with";
constexpr const char* kSqlTypes =
    "bigint binary bit blob boolean char date datetime decimal double float int integer money "
    "nchar numeric nvarchar real smallint text time timestamp tinyint varbinary varchar";
constexpr const char* kPascalKeywords =
    "and array as asm begin case class const constructor destructor div do downto else end except "
    "exports file finally for function goto if implementation in inherited initialization inline "
    "interface is label library mod nil not object of on or packed procedure program property "
    "raise record repeat set shl shr then to try type unit until uses var while with xor true false";
constexpr const char* kPascalTypes =
    "boolean byte cardinal char double extended integer int64 longint pchar pointer real shortint "
    "single smallint string word";
constexpr const char* kPythonKeywords =
    "False None True and as assert async await break class continue def del elif else except "
    "finally for from global if import in is lambda nonlocal not or pass raise return try while "
    "with yield match case self";
constexpr const char* kPythonTypes =
    "bool bytes dict float frozenset int list object set str tuple type Exception";
constexpr const char* kPerlKeywords =
    "if elsif else unless while until for foreach do last next redo return sub my our local use "
    "no require package BEGIN END and or not xor eq ne lt gt le ge cmp print printf die warn "
    "defined undef exists delete open close chomp split join push pop shift unshift keys values "
    "each map grep sort reverse bless ref wantarray qw";
constexpr const char* kShellKeywords =
    "if then else elif fi case esac for select while until do done in function time return exit "
    "break continue local export readonly declare typeset unset shift source alias echo printf "
    "read cd test eval exec trap set";
constexpr const char* kMakeKeywords =
    "include -include sinclude ifeq ifneq ifdef ifndef else endif define endef export unexport "
    "override vpath private";
constexpr const char* kBatchKeywords =
    "echo set if else goto call for in do exist not defined errorlevel exit setlocal endlocal pause "
    "shift cd chdir copy del erase dir md mkdir rd rmdir move ren rename type cls start title "
    "pushd popd choice equ neq lss leq gtr geq off on nul";
constexpr const char* kAsmKeywords =
    "db dw dd dq dt resb resw resd resq times equ org section segment ends proc endp macro endm "
    "include global extern bits use16 use32 use64 align assume model stack data code end public "
    "byte word dword qword ptr offset";
constexpr const char* kAsmTypes =
    "al ah ax eax rax bl bh bx ebx rbx cl ch cx ecx rcx dl dh dx edx rdx si esi rsi di edi rdi sp "
    "esp rsp bp ebp rbp r8 r9 r10 r11 r12 r13 r14 r15 cs ds es fs gs ss ip eip rip";
constexpr const char* kCobolKeywords =
    "accept add by call compute data display divide division else end-if end-perform environment "
    "evaluate exit file from giving goback identification if into is move multiply not of "
    "open close perform pic picture procedure program-id read record remainder returning run "
    "section select stop string subtract then thru times to until using value varying when "
    "working-storage write zero zeros spaces linkage copy";
constexpr const char* kBasicKeywords =
    "and as byref byval call case class const declare dim do each else elseif end enum erase error "
    "exit explicit false for function get gosub goto if implements in is let like loop me mod new "
    "next not nothing null on option optional or preserve private property public redim resume "
    "return select set static step stop sub then to true type until wend while with xor print "
    "response request server session";
constexpr const char* kBasicTypes =
    "boolean byte currency date decimal double integer long object single string variant";

using L = LanguageId;
using F = Family;

// id, family, keywords, types, case-insensitive, rules, line comments, block comments, quotes,
// word characters, block language
const LanguageTable kTables[] = {
    {L::None, F::None, nullptr, nullptr, false, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, "", ""},
    {L::Cpp, F::CLike, kCppKeywords, kCppTypes, false,
     BackslashEscapes | ContinuedStrings | HashPreprocessor | RawStrings, "//", nullptr, "/*", "*/", nullptr,
     nullptr, "\"'", ""},
    {L::CSharp, F::CLike, kCSharpKeywords, kCSharpTypes, false,
     BackslashEscapes | HashPreprocessor | VerbatimStrings,
     "//", nullptr, "/*", "*/", nullptr, nullptr, "\"'", ""},
    {L::Java, F::CLike, kJavaKeywords, kJavaTypes, false, BackslashEscapes | Decorators, "//",
     nullptr, "/*", "*/", nullptr, nullptr, "\"'", "$"},
    {L::JavaScript, F::CLike, kJsKeywords, kJsTypes, false,
     BackslashEscapes | TemplateLiterals | RegexLiterals,
     "//", nullptr, "/*", "*/", nullptr, nullptr, "\"'", "$"},
    {L::Css, F::CLike, kCssKeywords, kCssTypes, true, BackslashEscapes | AtRules, nullptr, nullptr,
     "/*", "*/", nullptr, nullptr, "\"'", "-@!"},
    {L::PhpCode, F::CLike, kPhpKeywords, kPhpTypes, true,
     BackslashEscapes | MultiLineStrings | TripleHereDocs, "//",
     "#", "/*", "*/", nullptr, nullptr, "\"'`", "$"},
    {L::Sql, F::CLike, kSqlKeywords, kSqlTypes, true, DoubledQuotes, "--", nullptr, "/*", "*/",
     nullptr, nullptr, "'\"", "@"},
    {L::Pascal, F::CLike, kPascalKeywords, kPascalTypes, true, DoubledQuotes, "//", nullptr, "{",
     "}", "(*", "*)", "'", ""},
    {L::Python, F::HashScript, kPythonKeywords, kPythonTypes, false,
     BackslashEscapes | TripleQuotes | Decorators, "#", nullptr, nullptr, nullptr, nullptr, nullptr,
     "\"'", ""},
    {L::Perl, F::HashScript, kPerlKeywords, nullptr, false,
     BackslashEscapes | MultiLineStrings | HereDocs | Pod, "#", nullptr, nullptr, nullptr, nullptr,
     nullptr, "\"'`", ""},
    {L::Shell, F::HashScript, kShellKeywords, nullptr, false,
     BackslashEscapes | MultiLineStrings | HereDocs | WordStartComments, "#", nullptr, nullptr,
     nullptr, nullptr, nullptr, "\"'`", ""},
    {L::Makefile, F::HashScript, kMakeKeywords, nullptr, false, Variables, "#", nullptr, nullptr,
     nullptr, nullptr, nullptr, "", "-"},
    {L::Ini, F::HashScript, nullptr, nullptr, true, IniLines, ";", "#", nullptr, nullptr, nullptr,
     nullptr, "\"", ""},
    {L::Html, F::Markup, nullptr, nullptr, true, HtmlEmbeds, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, "", "-:."},
    {L::Xml, F::Markup, nullptr, nullptr, false, Xml, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, "", "-:."},
    {L::Php, F::Markup, nullptr, nullptr, true, HtmlEmbeds | PhpBlocks, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, "", "-:.", L::PhpCode},
    {L::Asp, F::Markup, nullptr, nullptr, true, HtmlEmbeds | PercentBlocks, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, "", "-:.", L::Basic},
    {L::Jsp, F::Markup, nullptr, nullptr, true, HtmlEmbeds | PercentBlocks, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, "", "-:.", L::Java},
    {L::ColdFusion, F::Markup, nullptr, nullptr, true, HtmlEmbeds, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, "", "-:."},
    {L::Batch, F::LineOriented, kBatchKeywords, nullptr, true, 0, "::", nullptr, nullptr, nullptr,
     nullptr, nullptr, "\"", ""},
    {L::Assembly, F::LineOriented, kAsmKeywords, kAsmTypes, true, 0, ";", nullptr, nullptr, nullptr,
     nullptr, nullptr, "\"'", ".$@?"},
    {L::Cobol, F::LineOriented, kCobolKeywords, nullptr, true, 0, "*>", nullptr, nullptr, nullptr,
     nullptr, nullptr, "\"'", "-"},
    {L::Basic, F::LineOriented, kBasicKeywords, kBasicTypes, true, DoubledQuotes, "'", nullptr,
     nullptr, nullptr, nullptr, nullptr, "\"", ""},
    {L::Latex, F::LineOriented, nullptr, nullptr, false, 0, "%", nullptr, nullptr, nullptr, nullptr,
     nullptr, "", ""},
};
static_assert(std::size(kTables) == size_t(LanguageId::Count));

std::u16string wide(const char* text)
{
    std::u16string out;
    for (const char* p = text; p && *p; ++p)
        out.push_back(char16_t(*p));
    return out;
}

Language compile(const LanguageTable& table)
{
    Language lang;
    lang.table = &table;
    lang.keywords = WordSet(table.keywords, table.caseInsensitive);
    lang.types = WordSet(table.types, table.caseInsensitive);
    for (int c = 0; c < 128; ++c) {
        std::uint8_t k = 0;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')
            k |= WordStart | WordPart;
        else if (c >= '0' && c <= '9')
            k |= Digit | WordPart;
        else if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r')
            k |= Space;
        else if (c > ' ' && c < 127 && std::strchr("+-*/%=<>!&|^~?:;,.()[]{}", c))
            k |= OperatorChar;
        lang.cls[c] = k;
    }
    for (const char* p = table.wordExtra; p && *p; ++p)
        lang.cls[int(*p)] = (lang.cls[int(*p)] & ~OperatorChar) | WordStart | WordPart;
    lang.lineComment = wide(table.lineComment);
    lang.lineComment2 = wide(table.lineComment2);
    lang.blockOpen = wide(table.blockOpen);
    lang.blockClose = wide(table.blockClose);
    lang.blockOpen2 = wide(table.blockOpen2);
    lang.blockClose2 = wide(table.blockClose2);
    lang.quotes = wide(table.quotes);
    return lang;
}

} // namespace

const LanguageTable* languageTable(LanguageId id)
{
    return &kTables[size_t(id) < std::size(kTables) ? size_t(id) : 0];
}

const Language& language(LanguageId id)
{
    // Built once, on first use, and read-only after that.
    static const auto all = [] {
        std::array<Language, size_t(LanguageId::Count)> out;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = compile(kTables[i]);
        return out;
    }();
    return all[size_t(id) < all.size() ? size_t(id) : 0];
}

} // namespace platform::syntax
