#pragma once

#include <string_view>

namespace platform::rtf {

/// The control words the reader acts on; every other word is read and passed over.
enum class Kw {
    Unknown,
    // document and code pages
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U, Cpg,
    // destinations
    FontTable, ColorTable, FieldInstruction, FieldResult, Field, NestTableProps, ListText, PnText,
    Upr, Ud, Skipped, ListTable, ListOverrideTable, Pn,
    // pictures and what holds them
    Pict, ShpPict, Object, ObjResult, Shape, ShapeInstructions, ShapeProperty, ShapeName,
    ShapeValue, ShapeResult,
    // text the document does not show: passed over, and told of when it holds something
    Footnote, HeaderFooter, Annotation, ShapeText,
    // kept as read and written back: at their place in the text, or (before the text) with the
    // document; settings of the document and its first section
    KeptHere, KeptDocument, DocumentWord, Chatn,
    // font and colour tables
    F, FCharset, Red, Green, Blue,
    // character formats
    Plain, B, I, Ul, UlDotted, UlDash, UlDashDot, UlDashDotDot, UlWave, UlNone, Strike, Fs, Cf, Cb,
    Highlight, Super, Sub, NoSuperSub, Caps, SmallCaps,
    // paragraph formats
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, RtlPar, LtrPar, InTable, Itap, Ls, Ilvl,
    // content
    Par, Line, Tab, Page, Sect, EmDash, EnDash, EmSpace, EnSpace, QmSpace, Bullet, LQuote, RQuote,
    LDblQuote, RDblQuote, Zwj, Zwnj, Zwbo, LtrMark, RtlMark, Chftn, Bin,
    // tables
    Trowd, TrLeft, Cellx, Cell, NestCell, Row, NestRow, MergeFirst, MergeNext, MergeDownFirst, MergeDown,
};

Kw lookupKeyword(std::string_view word);

// The characters of RTF's words and numbers.
inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
/// A hexadecimal digit's value, -1 for any other character.
inline int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace platform::rtf
