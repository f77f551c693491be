#include "platform/rtf/RtfParser.h"

// The parser's text: code pages, Unicode, fields, fonts, and the formats of characters and paragraphs.

namespace platform::rtf::parsing {

int Parser::codePageOf(int font)
{
    if (fontCacheValid_ && font == cachedFont_)
        return cachedCodePage_;
    int codePage = documentCodePage_;
    const auto it = fonts_.find(font);
    if (it != fonts_.end()) {
        const FontEntry& entry = it->second;
        const bool symbolName = entry.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
        if (entry.codePage > 0)
            codePage = entry.codePage;
        else if (entry.charset == 2 || (entry.charset < 0 && symbolName))
            codePage = symbolName ? kAdobeSymbolCodePage : kSymbolCodePage;
        else if (const int fromCharset = codePageForCharset(entry.charset); fromCharset > 0)
            codePage = fromCharset;
    }
    cachedFont_ = font;
    cachedCodePage_ = codePage;
    fontCacheValid_ = true;
    return codePage;
}

void Parser::textBytes(const char* data, qsizetype size)
{
    if (starPending_) {
        skipRestOfGroup();
        return;
    }
    if (ucPending_ > 0) {
        const qsizetype skip = std::min<qsizetype>(size, ucPending_);
        data += skip;
        size -= skip;
        ucPending_ -= int(skip);
        if (size == 0)
            return;
    }
    GroupState& s = state();
    switch (s.dest) {
    case Dest::Text: {
        ++shown_;
        const int codePage = codePageOf(s.chr.font);
        if (!pendingBytes_.isEmpty() && (codePage != bytesCodePage_ || !(s.chr == pendingProps_)))
            flushBytes();
        if (!(s.chr == pendingProps_)) {
            flushText();
            pendingProps_ = s.chr;
        }
        bytesCodePage_ = codePage;
        pendingBytes_.append(data, size);
        break;
    }
    case Dest::FontTable:
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] == ';')
                commitFontName();
            else if (fontName_.size() + fontNameText_.size() < 256)
                fontName_.append(data[i]);
        }
        break;
    case Dest::ColorTable:
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] == ';' && colors_.size() < 100000) {
                colors_.push_back(colourSet_ ? QColor(colour_[0], colour_[1], colour_[2])
                                             : QColor());
                resetColour();
                formatCacheValid_ = false;
            }
        }
        break;
    case Dest::Picture:
        pictureHex(data, size);
        break;
    case Dest::Shape:
        shapeName_.append(data, std::min<qsizetype>(size, 16 - shapeName_.size()));
        break;
    case Dest::FieldInstruction:
        if (s.field > 0) {
            QString& instruction = fieldInstructions_[size_t(s.field - 1)];
            const qsizetype room = kMaxFieldInstruction - instruction.size();
            if (room > 0)
                instruction += decoder_.decode(documentCodePage_, data, std::min(size, room));
        }
        break;
    }
}

void Parser::character(char32_t c)
{
    if (starPending_) {
        skipRestOfGroup();
        return;
    }
    GroupState& s = state();
    if (s.dest == Dest::FontTable) {
        flushFontNameBytes();
        if (fontNameText_.size() < 256)
            appendCodePoint(fontNameText_, c);
        return;
    }
    if (s.dest != Dest::Text)
        return;
    ++shown_;
    flushBytes();
    if (!(s.chr == pendingProps_)) {
        flushText();
        pendingProps_ = s.chr;
    }
    if (c >= 0xF020 && c <= 0xF0FF && codePageOf(s.chr.font) == kAdobeSymbolCodePage)
        c = symbolFontCharacter(static_cast<unsigned char>(c - 0xF000));
    appendCodePoint(pendingText_, c);
}

void Parser::appendCodePoint(QString& text, char32_t c)
{
    if (c > 0xFFFF) {
        text.append(QChar::highSurrogate(c));
        text.append(QChar::lowSurrogate(c));
    } else {
        text.append(QChar(char16_t(c)));
    }
}

void Parser::unicode(int value)
{
    // Values are signed 16-bit numbers; some writers give the unsigned value, and a few the
    // code point itself for characters beyond the Basic Multilingual Plane.
    char32_t c;
    if (value < 0)
        c = char32_t(value + 65536);
    else
        c = char32_t(value);
    if (value < -32768 || c > 0x10FFFF)
        c = 0xFFFD;
    const int fallback = state().uc;
    if (state().dest == Dest::FieldInstruction && state().field > 0) {
        QString& instruction = fieldInstructions_[size_t(state().field - 1)];
        if (instruction.size() < kMaxFieldInstruction)
            instruction += QChar(char16_t(c > 0xFFFF ? 0xFFFD : c));
    } else {
        character(c);
    }
    ucPending_ = fallback;
}

void Parser::flushBytes()
{
    if (pendingBytes_.isEmpty())
        return;
    pendingText_ += decoder_.decode(bytesCodePage_, pendingBytes_.constData(), pendingBytes_.size());
    pendingBytes_.clear();
}

void Parser::flushText()
{
    flushBytes();
    if (kept_.hasMarker()) {
        builder_.addRun(QString(QChar::ObjectReplacementCharacter),
                        kept_.takeMarker(charFormat(markerProps_)));
        bodyStarted_ = true;
    }
    if (pendingText_.isEmpty())
        return;
    bodyStarted_ = true;
    if (state().objectResult)
        objectText_ = true;
    sanitize(pendingText_);
    builder_.addRun(pendingText_, charFormat(pendingProps_));
    pendingText_.clear();
}

void Parser::paragraphEnd()
{
    flushText();
    bodyStarted_ = true;
    builder_.setTableLevel(state().para.tableLevel());
    builder_.endParagraph(endingFormat());
}

std::string_view Parser::groupText()
{
    const char* from = p_;
    skipRestOfGroup();
    return std::string_view(from, size_t(std::max<qsizetype>(0, p_ - from - 1)));
}

void Parser::numberParagraph(std::string_view group)
{
    state().para.numbered = lists_.readParagraphNumbering(group, lastNumbered_);
}

QTextBlockFormat Parser::endingFormat()
{
    const ParaProps& para = state().para;
    ListMark mark;
    if (para.ls > 0 && lists_.knows(para.ls))
        mark = {para.ls, para.ilvl};
    else if (para.numbered.list < 0)
        mark = para.numbered;
    if (mark.list != 0 && listTextFrom_ >= 0)
        builder_.dropText(listTextFrom_, listTextTo_ >= listTextFrom_ ? listTextTo_ : builder_.paragraphLength());
    listTextFrom_ = listTextTo_ = -1;
    lastNumbered_ = para.numbered;
    QTextBlockFormat format = blockFormat();
    if (mark.list != 0)
        RtfListReader::mark(format, mark);
    return format;
}

char32_t Parser::fieldSymbol(const QString& instruction)
{
    const QStringList words = instruction.simplified().split(u' ');
    if (words.size() < 2 || words[0].compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) != 0)
        return 0;
    bool ok = false;
    const uint value = words[1].startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                           ? words[1].mid(2).toUInt(&ok, 16)
                           : words[1].toUInt(&ok);
    return ok && value >= 0x20 && value <= 0xFFFF ? char32_t(value) : 0;
}

void Parser::fieldEnd(int field, QByteArrayView bytes, int font, int uc)
{
    // The character belongs to the text around the field, in its format.
    if (const char32_t symbol = fieldSymbol(fieldInstructions_[size_t(field - 1)])) {
        character(symbol);
        return;
    }
    // A field that shows nothing (its result not yet worked out) is kept whole.
    if (shown_ == fieldStart_[size_t(field - 1)] && state().dest == Dest::Text && overflow_ == 0)
        keepBytes(bytes, false, font, uc, QString());
}

void Parser::fieldResult()
{
    GroupState& s = state();
    s.dest = Dest::Text;
    if (s.field <= 0)
        return;
    if (fieldSymbol(fieldInstructions_[size_t(s.field - 1)])) {
        skipRestOfGroup();   // the field's own character is shown when the field ends
        return;
    }
    const QString target = hyperlinkTarget(fieldInstructions_[size_t(s.field - 1)]);
    if (target.isEmpty()) {
        // Its text is shown; its instruction rides on that text.
        if (!fieldKept_[size_t(s.field - 1)].isEmpty()) {
            static std::atomic<qint64> ids{0};
            if (!fieldIds_.count(s.field))
                fieldIds_[s.field] = ++ids;
            s.chr.keptField = s.field;
        }
        return;
    }
    hrefs_.push_back(target);
    s.chr.href = int(hrefs_.size());
}

void Parser::flushFontNameBytes()
{
    if (fontName_.isEmpty())
        return;
    const auto it = fonts_.find(fontId_);
    int codePage = 0;
    if (it != fonts_.end())
        codePage = it->second.codePage > 0 ? it->second.codePage
                                           : codePageForCharset(it->second.charset);
    if (codePage <= 0 || codePage == kSymbolCodePage)
        codePage = documentCodePage_;
    fontNameText_ += decoder_.decode(codePage, fontName_.constData(), fontName_.size());
    fontName_.clear();
}

void Parser::commitFontName()
{
    flushFontNameBytes();
    if (fontNameText_.isEmpty())
        return;
    if (fontId_ >= 0) {
        FontEntry& entry = fonts_[fontId_];
        entry.name = fontNameText_.trimmed();
        sanitize(entry.name);
        fontCacheValid_ = false;
        formatCacheValid_ = false;
    }
    fontNameText_.clear();
}

void Parser::resetColour()
{
    colour_[0] = colour_[1] = colour_[2] = 0;
    colourSet_ = false;
}

QTextCharFormat Parser::charFormat(const CharProps& props)
{
    if (formatCacheValid_ && props == cachedProps_)
        return cachedFormat_;
    QTextCharFormat format;
    const auto font = fonts_.find(props.font);
    if (font != fonts_.end() && !font->second.name.isEmpty())
        format.setFontFamilies(QStringList{font->second.name});
    format.setFontPointSize(props.halfPoints / 2.0);
    if (props.bold)
        format.setFontWeight(QFont::Bold);
    if (props.italic)
        format.setFontItalic(true);
    if (props.underline != QTextCharFormat::NoUnderline)
        format.setUnderlineStyle(QTextCharFormat::UnderlineStyle(props.underline));
    if (props.strike)
        format.setFontStrikeOut(true);
    if (props.vertical == 1)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (props.vertical == 2)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (props.caps == 1)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (props.caps == 2)
        format.setFontCapitalization(QFont::SmallCaps);
    if (props.foreground > 0 && size_t(props.foreground) < colors_.size() &&
        colors_[size_t(props.foreground)].isValid())
        format.setForeground(colors_[size_t(props.foreground)]);
    if (props.background > 0 && size_t(props.background) < colors_.size() &&
        colors_[size_t(props.background)].isValid())
        format.setBackground(colors_[size_t(props.background)]);
    if (props.href > 0) {
        format.setAnchor(true);
        format.setAnchorHref(hrefs_[size_t(props.href - 1)]);
    }
    if (props.keptField > 0)
        setKeptField(format, fieldKept_[size_t(props.keptField - 1)], fieldIds_[props.keptField]);
    cachedProps_ = props;
    cachedFormat_ = format;
    formatCacheValid_ = true;
    return format;
}

QTextBlockFormat Parser::blockFormat()
{
    const ParaProps& para = state().para;
    QTextBlockFormat format;
    static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                               Qt::AlignJustify};
    format.setAlignment(kAlign[para.align]);
    // Twips to the document's pixels (96 per inch).
    if (para.left)
        format.setLeftMargin(para.left / 15.0);
    if (para.right)
        format.setRightMargin(para.right / 15.0);
    if (para.firstLine)
        format.setTextIndent(para.firstLine / 15.0);
    if (para.before)
        format.setTopMargin(para.before / 15.0);
    if (para.after)
        format.setBottomMargin(para.after / 15.0);
    if (para.rtl)
        format.setLayoutDirection(Qt::RightToLeft);
    return format;
}

} // namespace platform::rtf::parsing
