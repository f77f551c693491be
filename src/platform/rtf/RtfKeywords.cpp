#include "platform/rtf/RtfKeywords.h"

#include <unordered_map>

namespace platform::rtf {

namespace {

using Map = std::unordered_map<std::string_view, Kw>;

Map makeMap()
{
    Map m = {
        {"rtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
        {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"uc", Kw::Uc}, {"u", Kw::U}, {"cpg", Kw::Cpg},

        {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"fldinst", Kw::FieldInstruction},
        {"fldrslt", Kw::FieldResult}, {"field", Kw::Field}, {"nesttableprops", Kw::NestTableProps},
        {"listtext", Kw::ListText}, {"pntext", Kw::PnText}, {"upr", Kw::Upr}, {"ud", Kw::Ud},
        {"listtable", Kw::ListTable}, {"listoverridetable", Kw::ListOverrideTable}, {"pn", Kw::Pn},
        {"ls", Kw::Ls}, {"ilvl", Kw::Ilvl},

        {"f", Kw::F}, {"fcharset", Kw::FCharset}, {"red", Kw::Red}, {"green", Kw::Green},
        {"blue", Kw::Blue},

        {"plain", Kw::Plain}, {"b", Kw::B}, {"i", Kw::I}, {"ul", Kw::Ul}, {"uld", Kw::UlDotted},
        {"ulth", Kw::Ul}, {"uldb", Kw::Ul}, {"ulw", Kw::Ul}, {"ulthd", Kw::UlDotted},
        {"uldash", Kw::UlDash}, {"ulthdash", Kw::UlDash}, {"ulldash", Kw::UlDash},
        {"ulthldash", Kw::UlDash}, {"uldashd", Kw::UlDashDot}, {"ulthdashd", Kw::UlDashDot},
        {"uldashdd", Kw::UlDashDotDot}, {"ulthdashdd", Kw::UlDashDotDot}, {"ulwave", Kw::UlWave},
        {"ulhwave", Kw::UlWave}, {"ululdbwave", Kw::UlWave}, {"ulnone", Kw::UlNone},
        {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"fs", Kw::Fs}, {"cf", Kw::Cf},
        {"cb", Kw::Cb}, {"chcbpat", Kw::Cb}, {"highlight", Kw::Highlight}, {"super", Kw::Super},
        {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"caps", Kw::Caps},
        {"scaps", Kw::SmallCaps},

        {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qc", Kw::Qc}, {"qr", Kw::Qr}, {"qj", Kw::Qj},
        {"qd", Kw::Qj}, {"li", Kw::Li}, {"lin", Kw::Li}, {"ri", Kw::Ri}, {"rin", Kw::Ri},
        {"fi", Kw::Fi}, {"sb", Kw::Sb}, {"sa", Kw::Sa}, {"rtlpar", Kw::RtlPar},
        {"ltrpar", Kw::LtrPar}, {"intbl", Kw::InTable}, {"itap", Kw::Itap},

        {"par", Kw::Par}, {"line", Kw::Line}, {"tab", Kw::Tab}, {"page", Kw::Page}, {"column", Kw::Page},
        {"sect", Kw::Sect}, {"emdash", Kw::EmDash}, {"endash", Kw::EnDash},
        {"emspace", Kw::EmSpace}, {"enspace", Kw::EnSpace}, {"qmspace", Kw::QmSpace},
        {"bullet", Kw::Bullet}, {"lquote", Kw::LQuote}, {"rquote", Kw::RQuote},
        {"ldblquote", Kw::LDblQuote}, {"rdblquote", Kw::RDblQuote}, {"zwj", Kw::Zwj},
        {"zwnj", Kw::Zwnj}, {"zwbo", Kw::Zwbo}, {"ltrmark", Kw::LtrMark}, {"rtlmark", Kw::RtlMark},
        {"chftn", Kw::Chftn}, {"bin", Kw::Bin},

        {"trowd", Kw::Trowd}, {"trleft", Kw::TrLeft}, {"cellx", Kw::Cellx}, {"cell", Kw::Cell}, {"nestcell", Kw::NestCell},
        {"pict", Kw::Pict}, {"shppict", Kw::ShpPict}, {"object", Kw::Object},
        {"result", Kw::ObjResult}, {"shp", Kw::Shape}, {"shpinst", Kw::ShapeInstructions},
        {"sp", Kw::ShapeProperty}, {"sn", Kw::ShapeName}, {"sv", Kw::ShapeValue},
        {"shprslt", Kw::ShapeResult}, {"shptxt", Kw::ShapeText}, {"footnote", Kw::Footnote}, {"annotation", Kw::Annotation},

        {"row", Kw::Row}, {"nestrow", Kw::NestRow}, {"clmgf", Kw::MergeFirst},
        {"clmrg", Kw::MergeNext}, {"clvmgf", Kw::MergeDownFirst}, {"clvmrg", Kw::MergeDown},
    };
    // Destinations whose content is not document text: passed over whole.
    for (std::string_view name : {
             "stylesheet", "atndate", "xe", "tc", "tcn", "nonesttables", "template",
             "fchars", "lchars", "revtbl", "rsidtbl", "filetbl",
             "private", "datafield", "objdata", "nonshppict", "do", "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
             "datastore", "generator", "pgdsctbl", "listpicture", "txe",
             "rxe", "comment", "title", "subject", "author", "operator", "keywords", "doccomm",
             "picprop", "blipuid",
             "mmathPr", "panose", "falt", "fname", "fontemb", "fontfile", "passwordhash",
             "protusertbl", "defchp", "defpap", "keycode", "formfield",
             "gridtbl", "wgrffmtfilter", "htmltag", "mhtmltag", "pnseclvl",
             "bookmark", "dptxbxtext", "background", "printim", "buptim", "revtim", "creatim",
             "hlinkbase", "company", "category", "manager", "nextfile", "ebcstart", "ebcend"})
        m.emplace(name, Kw::Skipped);
    for (std::string_view name : {"bkmkstart", "bkmkend", "atnid", "atnauthor", "atnref",
                                  "atnparent", "atrfstart", "atrfend"})
        m.emplace(name, Kw::KeptHere);
    for (std::string_view name : {"info", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc",
                                  "aftncn", "userprops", "docvar"})
        m.emplace(name, Kw::KeptDocument);
    for (std::string_view name : {
             "paperw", "paperh", "psz", "margl", "margr", "margt", "margb", "gutter", "margmirror",
             "landscape", "facingp", "gutterprl", "deftab", "ftnbj", "ftntj", "ftnstart",
             "ftnrstcont", "ftnrstpg", "ftnrestart", "ftnnar", "ftnnalc", "ftnnauc", "ftnnrlc",
             "ftnnruc", "aenddoc", "aendnotes", "aftnbj", "aftntj", "aftnstart", "aftnrstcont",
             "aftnrestart", "aftnnar", "aftnnalc", "aftnnauc", "aftnnrlc", "aftnnruc", "enddoc",
             "endnotes", "fet", "sectd", "sbknone", "sbkcol", "sbkpage", "sbkeven", "sbkodd",
             "cols", "colsx", "linebetcol", "linemod", "linex", "linestarts", "linerestart",
             "lineppage", "linecont", "pgwsxn", "pghsxn", "marglsxn", "margrsxn", "margtsxn",
             "margbsxn", "guttersxn", "lndscpsxn", "titlepg", "headery", "footery", "pgnstarts",
             "pgncont", "pgnrestart", "pgnx", "pgny", "pgndec", "pgnucrm", "pgnlcrm", "pgnucltr",
             "pgnlcltr", "vertalt", "vertalb", "vertalc", "vertalj", "sftnbj", "sftnnar",
             "sftnnalc", "sftnnauc", "sftnnrlc", "sftnnruc", "saftnnar", "saftnnalc",
             "saftnnauc", "saftnnrlc", "saftnnruc", "sftnrstcont", "sftnrestart", "sftnstart",
             "saftnrstcont", "saftnrestart", "saftnstart", "endnhere", "pgnstart"})
        m.emplace(name, Kw::DocumentWord);
    m.emplace("chatn", Kw::Chatn);
    for (std::string_view name : {"header", "headerl", "headerr", "headerf", "footer", "footerl",
                                  "footerr", "footerf"})
        m.emplace(name, Kw::HeaderFooter);
    return m;
}

} // namespace

Kw lookupKeyword(std::string_view word)
{
    static const Map map = makeMap();
    const auto it = map.find(word);
    return it == map.end() ? Kw::Unknown : it->second;
}

} // namespace platform::rtf
