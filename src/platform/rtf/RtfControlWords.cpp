#include "platform/rtf/RtfParser.h"

// The parser's control words and control symbols.

namespace platform::rtf::parsing {

qint64 Parser::readParameter(bool& hasParam)
{
    bool negative = false;
    if (p_ + 1 < end_ && *p_ == '-' && isDigit(p_[1])) {
        negative = true;
        ++p_;
    }
    qint64 value = 0;
    hasParam = p_ < end_ && isDigit(*p_);
    while (p_ < end_ && isDigit(*p_)) {
        if (value < 100000000000LL)
            value = value * 10 + (*p_ - '0');
        ++p_;
    }
    if (p_ < end_ && *p_ == ' ')
        ++p_;
    return negative ? -value : value;
}

void Parser::skipBinary(qint64 length)
{
    if (length <= 0)
        return;
    p_ += std::min<qint64>(length, end_ - p_);
}

void Parser::controlSequence()
{
    if (p_ >= end_)
        return;
    if (!isLetter(*p_)) {
        symbol(*p_++);
        return;
    }
    const char* start = p_;
    while (p_ < end_ && isLetter(*p_))
        ++p_;
    const std::string_view word(start, size_t(std::min<qsizetype>(p_ - start, 32)));
    bool hasParam = false;
    const qint64 wide = readParameter(hasParam);
    wordBytes_ = QByteArrayView(start - 1, p_ - start + 1);
    if (state().dest == Dest::Picture && !starPending_) {
        pictureWord(word, hasParam, wide);
        return;
    }
    const int param = int(std::clamp<qint64>(wide, -(1LL << 31) + 1, (1LL << 31) - 1));
    controlWord(lookupKeyword(word), hasParam, param);
}

void Parser::symbol(char c)
{
    if (starPending_) {
        skipRestOfGroup();
        return;
    }
    if (c == '\'') {
        int hi = p_ < end_ ? hexValue(*p_) : -1;
        int lo = p_ + 1 < end_ ? hexValue(p_[1]) : -1;
        if (hi < 0 || lo < 0) {
            if (hi >= 0)
                ++p_;
            return;
        }
        p_ += 2;
        if (ucPending_ > 0) {
            --ucPending_;
            return;
        }
        const char byte = char(hi * 16 + lo);
        textBytes(&byte, 1);
        return;
    }
    if (c == '*') {
        starPending_ = true;
        return;
    }
    if (ucPending_ > 0) {
        --ucPending_;
        return;
    }
    switch (c) {
    case '\\': case '{': case '}':
        textBytes(&c, 1);
        break;
    case '~': character(0x00A0); break;
    case '-': character(0x00AD); break;
    case '_': character(0x2011); break;
    case '\n': case '\r': paragraphEnd(); break;
    case '\t': character(u'\t'); break;
    default: break;
    }
}

bool Parser::endsFallback(Kw kw)
{
    switch (kw) {
    case Kw::Par: case Kw::Sect: case Kw::Page: case Kw::Line: case Kw::Cell:
    case Kw::NestCell: case Kw::Row: case Kw::NestRow: case Kw::Pard: case Kw::Plain:
        return true;
    default:
        return false;
    }
}

void Parser::controlWord(Kw kw, bool hasParam, int param)
{
    const bool on = !hasParam || param != 0;
    if (starPending_) {
        starPending_ = false;
        switch (kw) {
        case Kw::FontTable: case Kw::ColorTable: case Kw::FieldInstruction:
        case Kw::FieldResult: case Kw::NestTableProps: case Kw::ListText: case Kw::PnText:
        case Kw::Ud: case Kw::Upr: case Kw::ShpPict: case Kw::Annotation:
        case Kw::ShapeInstructions: case Kw::ListTable: case Kw::ListOverrideTable: case Kw::Pn:
        case Kw::Footnote: case Kw::HeaderFooter: case Kw::KeptHere: case Kw::KeptDocument:
            break;
        default:
            skipRestOfGroup();
            return;
        }
    }
    if (ucPending_ > 0) {
        if (!endsFallback(kw)) {
            --ucPending_;
            if (kw == Kw::Bin)
                skipBinary(param);
            return;
        }
        ucPending_ = 0;
    }
    GroupState& s = state();
    CharProps& chr = s.chr;
    ParaProps& para = s.para;
    switch (kw) {
    case Kw::Unknown: case Kw::Rtf: case Kw::Ud:
        break;
    case Kw::Ansi: documentCodePage_ = 1252; break;
    case Kw::Mac: documentCodePage_ = 10000; break;
    case Kw::Pc: documentCodePage_ = 437; break;
    case Kw::Pca: documentCodePage_ = 850; break;
    case Kw::AnsiCpg:
        if (param > 0 && CodePageDecoder::isSupported(param))
            documentCodePage_ = param;
        fontCacheValid_ = false;
        break;
    case Kw::Deff:
        defaultFont_ = param;
        for (GroupState& g : stack_)
            if (g.chr.font < 0)
                g.chr.font = param;
        break;
    case Kw::Uc: s.uc = std::clamp(param, 0, kMaxUnicodeFallback); break;
    case Kw::U: unicode(param); break;
    case Kw::Cpg:
        if (s.dest == Dest::FontTable && param > 0) {
            fonts_[fontId_].codePage = param;
            fontCacheValid_ = false;
        }
        break;

    case Kw::FontTable: s.dest = Dest::FontTable; fontId_ = -1; break;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        colors_.clear();
        resetColour();
        break;
    case Kw::FieldInstruction:
        s.dest = Dest::FieldInstruction;
        s.owns |= OwnsInstruction;
        keptFromHere(s);
        break;
    case Kw::FieldResult: fieldResult(); break;
    case Kw::Field:
        if (fieldInstructions_.size() < size_t(kMaxFields)) {
            fieldInstructions_.emplace_back();
            fieldKept_.emplace_back();
            fieldStart_.push_back(shown_);
            s.field = int(fieldInstructions_.size());
            keptFromHere(s);
        } else {
            s.field = 0;
        }
        break;
    case Kw::NestTableProps:
        // Holds the nested row's definition and its end; some writers put the cells there too.
        s.dest = Dest::Text;
        break;
    case Kw::ListText: case Kw::PnText:
        // A list's marker as text, for readers that know no lists: left out when the
        // paragraph turns out to be in a list that is shown.
        flushText();
        if (listTextFrom_ < 0)
            listTextFrom_ = builder_.paragraphLength();
        s.dest = Dest::Text;
        s.listText = true;
        break;
    case Kw::ListTable: lists_.readListTable(groupText()); break;
    case Kw::ListOverrideTable: lists_.readOverrideTable(groupText()); break;
    case Kw::Pn:
        if (s.listText || s.dest != Dest::Text)
            skipRestOfGroup();
        else   // a paragraph word, though written in a group of its own
            numberParagraph(groupText());
        break;
    case Kw::Ls:
        if (!s.listText)
            para.ls = param;
        break;
    case Kw::Ilvl:
        if (!s.listText)
            para.ilvl = std::clamp(param, 0, 8);
        break;
    case Kw::Upr: s.upr = true; break;
    case Kw::Skipped: skipRestOfGroup(); break;
    // Groups nested past the deepest level share its state: a picture or a shape there would
    // take over the text that follows it, so they are passed over.
    case Kw::Pict:
        if (overflow_ == 0 && (s.dest == Dest::Text || (s.dest == Dest::Shape && s.shapePicture)))
            pictureStart();
        else
            skipRestOfGroup();
        break;
    // A floating picture is shown where it is anchored; other drawings are passed over, and
    // so is the drawing's rendering for old readers.
    case Kw::Shape:
        shapeShown_ = false;
        shapeText_ = false;
        s.owns |= OwnsShape;
        keptFromHere(s);
        s.insideKept = true;
        break;
    case Kw::ShapeInstructions:
        if (overflow_ == 0 && (s.dest == Dest::Text || s.dest == Dest::Shape))   // grouped shapes nest
            s.dest = Dest::Shape;
        else
            skipRestOfGroup();
        break;
    case Kw::ShapeProperty: case Kw::ShapeName: case Kw::ShapeValue:
        if (s.dest != Dest::Shape)
            skipRestOfGroup();
        else if (kw == Kw::ShapeName)
            shapeName_.clear();
        else if (kw == Kw::ShapeValue)
            s.shapePicture = shapeName_.trimmed() == "pib" && !shapeShown_;
        break;
    case Kw::ShapeResult: skipRestOfGroup(); break;
    case Kw::ShpPict: break;   // the picture itself; \nonshppict holds its stand-in
    case Kw::Object:
        flushText();   // the text before it is not its result
        s.owns |= OwnsObject;
        keptFromHere(s);
        s.insideKept = true;
        objectPicture_.reset();
        objectText_ = false;
        break;
    case Kw::ObjResult:   // the object as it shows
        s.dest = Dest::Text;
        s.objectResult = true;
        break;
    case Kw::Footnote: keepGroup(false, UnkeptFootnotes, QStringLiteral("*")); break;
    case Kw::HeaderFooter: keepGroup(true, UnkeptHeadersFooters, QStringLiteral("h")); break;
    case Kw::Annotation: keepGroup(false, UnkeptComments, QStringLiteral("c")); break;
    case Kw::KeptHere: keepGroup(false, 0, QString()); break;
    case Kw::KeptDocument: keepGroup(true, 0, QString()); break;
    case Kw::DocumentWord:
        if (s.dest == Dest::Text && !bodyStarted_ && overflow_ == 0)
            kept_.keepInDocument(wordBytes_, chr.font, s.uc);
        break;
    case Kw::Chatn:
        if (s.dest == Dest::Text && !s.listText)
            keepBytes(wordBytes_, false, chr.font, s.uc, QStringLiteral("c"));
        break;
    case Kw::ShapeText:   // a text box: kept with its shape
        if (std::any_of(stack_.begin(), stack_.end(), [](const GroupState& g) { return g.owns & OwnsShape; })) {
            bool content = false;
            skipRestOfGroup(&content);
            shapeText_ = shapeText_ || content;
        } else
            skipNoting(UnkeptTextBoxes);
        break;

    case Kw::F:
        if (s.dest == Dest::FontTable) {
            commitFontName();
            fontId_ = param;
            fonts_[fontId_];
            fontCacheValid_ = false;
        } else {
            chr.font = param;
        }
        break;
    case Kw::FCharset:
        if (s.dest == Dest::FontTable) {
            fonts_[fontId_].charset = param;
            fontCacheValid_ = false;
        }
        break;
    case Kw::Red: colour_[0] = std::clamp(param, 0, 255); colourSet_ = true; break;
    case Kw::Green: colour_[1] = std::clamp(param, 0, 255); colourSet_ = true; break;
    case Kw::Blue: colour_[2] = std::clamp(param, 0, 255); colourSet_ = true; break;

    case Kw::Plain: {
        const int href = chr.href;
        chr = CharProps();
        chr.font = defaultFont_;
        chr.href = href;
        break;
    }
    case Kw::B: chr.bold = on; break;
    case Kw::I: chr.italic = on; break;
    case Kw::Ul:
        chr.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::UlDotted: underline(chr, on, QTextCharFormat::DotLine); break;
    case Kw::UlDash: underline(chr, on, QTextCharFormat::DashUnderline); break;
    case Kw::UlDashDot: underline(chr, on, QTextCharFormat::DashDotLine); break;
    case Kw::UlDashDotDot: underline(chr, on, QTextCharFormat::DashDotDotLine); break;
    case Kw::UlWave: underline(chr, on, QTextCharFormat::WaveUnderline); break;
    case Kw::UlNone: chr.underline = QTextCharFormat::NoUnderline; break;
    case Kw::Strike: chr.strike = on; break;
    case Kw::Fs: chr.halfPoints = hasParam ? std::clamp(param, 2, 3276) : 24; break;
    case Kw::Cf: chr.foreground = std::max(param, 0); break;
    case Kw::Cb: case Kw::Highlight: chr.background = std::max(param, 0); break;
    case Kw::Super: chr.vertical = on ? 1 : 0; break;
    case Kw::Sub: chr.vertical = on ? 2 : 0; break;
    case Kw::NoSuperSub: chr.vertical = 0; break;
    case Kw::Caps: chr.caps = on ? 1 : 0; break;
    case Kw::SmallCaps: chr.caps = on ? 2 : 0; break;

    case Kw::Pard:
        if (!s.listText)
            para = ParaProps();
        break;
    case Kw::Ql: para.align = 0; break;
    case Kw::Qc: para.align = 1; break;
    case Kw::Qr: para.align = 2; break;
    case Kw::Qj: para.align = 3; break;
    case Kw::Li: para.left = std::clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::Ri: para.right = std::clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::Fi: para.firstLine = std::clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::Sb: para.before = std::clamp(param, 0, kMaxTwips); break;
    case Kw::Sa: para.after = std::clamp(param, 0, kMaxTwips); break;
    case Kw::RtlPar: para.rtl = true; break;
    case Kw::LtrPar: para.rtl = false; break;
    case Kw::InTable:
        if (!s.listText)
            para.inTable = on;
        break;
    case Kw::Itap:
        if (!s.listText)
            para.nesting = std::clamp(param, 0, kMaxTableDepth);
        break;

    case Kw::Par:
        if (s.dest == Dest::Text)
            paragraphEnd();
        break;
    case Kw::Sect: case Kw::Page:
        if (s.dest == Dest::Text && !(pendingText_.isEmpty() && pendingBytes_.isEmpty() &&
                                      builder_.paragraphIsEmpty()))
            paragraphEnd();
        break;
    case Kw::Line: character(QChar::LineSeparator); break;
    case Kw::Tab: character(u'\t'); break;
    case Kw::EmDash: character(0x2014); break;
    case Kw::EnDash: character(0x2013); break;
    case Kw::EmSpace: character(0x2003); break;
    case Kw::EnSpace: character(0x2002); break;
    case Kw::QmSpace: character(0x2005); break;
    case Kw::Bullet: character(0x2022); break;
    case Kw::LQuote: character(0x2018); break;
    case Kw::RQuote: character(0x2019); break;
    case Kw::LDblQuote: character(0x201C); break;
    case Kw::RDblQuote: character(0x201D); break;
    case Kw::Zwj: character(0x200D); break;
    case Kw::Zwnj: character(0x200C); break;
    case Kw::Zwbo: character(0x200B); break;
    case Kw::LtrMark: character(0x200E); break;
    case Kw::RtlMark: character(0x200F); break;
    case Kw::Chftn:   // a footnote's reference mark, kept with the footnote that follows
        if (s.dest == Dest::Text && !s.listText) {
            ++footnotes_;
            keepBytes(chr.vertical == 1 ? QByteArrayView("{\\super\\chftn}") : wordBytes_, false,
                      chr.font, s.uc, QString::number(footnotes_));
        }
        break;
    case Kw::Bin: skipBinary(param); break;

    case Kw::Trowd:
        rowCells_.clear();
        rowPlace_ = {};
        cellMerge_ = RtfBuilder::MergeNone;
        break;
    case Kw::TrLeft: rowPlace_.left = std::clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::MergeFirst: cellMerge_ |= RtfBuilder::MergeFirst; break;
    case Kw::MergeNext: cellMerge_ |= RtfBuilder::MergeNext; break;
    case Kw::MergeDownFirst: cellMerge_ |= RtfBuilder::MergeDownFirst; break;
    case Kw::MergeDown: cellMerge_ |= RtfBuilder::MergeDown; break;
    case Kw::Cellx:
        if (rowCells_.size() < 1000)
            rowCells_.push_back({std::clamp(param, -kMaxTwips * 4, kMaxTwips * 4), cellMerge_});
        cellMerge_ = RtfBuilder::MergeNone;
        break;
    case Kw::Cell: case Kw::NestCell:
        if (s.dest == Dest::Text) {
            flushText();
            builder_.endCell(kw == Kw::Cell ? 1 : std::max(para.tableLevel(), 2),
                             endingFormat());
        }
        break;
    case Kw::Row: case Kw::NestRow:
        if (s.dest == Dest::Text) {
            flushText();
            builder_.endRow(kw == Kw::Row ? 1 : std::max(para.tableLevel(), 2), rowCells_, rowPlace_);
        }
        break;
    }
}

void Parser::underline(CharProps& chr, bool on, QTextCharFormat::UnderlineStyle style)
{
    chr.underline = on ? style : QTextCharFormat::NoUnderline;
}

} // namespace platform::rtf::parsing
