#include "platform/rtf/RtfKept.h"

#include "platform/rtf/RtfCodePages.h"

#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace platform::rtf {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isFontWord(std::string_view word) { return word == "f" || word == "af"; }

// Words whose number is an index into the colour table.
bool isColourWord(std::string_view word)
{
    static constexpr std::string_view kWords[] = {
        "cf", "cb", "chcbpat", "chcfpat", "highlight", "ulc", "brdrcf", "cbpat", "cfpat",
        "clcbpat", "clcfpat", "clcbpatraw", "clcfpatraw", "trcbpat", "trcfpat"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

// One token of RTF: a brace, a control word with its number and delimiting space, a control
// symbol, a \'hh byte, or one byte of text.
struct Token {
    enum Kind { Open, Close, Word, Symbol, Hex, Byte } kind = Byte;
    std::string_view word;
    bool hasParam = false;
    qint64 param = 0;
    bool space = false;   // the word's delimiting space
    char byte = 0;        // of Hex and Byte, the symbol's character
    QByteArrayView raw;   // the token as it stands
};

class Tokens {
public:
    explicit Tokens(QByteArrayView bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    bool next(Token& t)
    {
        if (p_ >= end_)
            return false;
        const char* start = p_;
        t = Token();
        const char c = *p_++;
        if (c == '{') {
            t.kind = Token::Open;
        } else if (c == '}') {
            t.kind = Token::Close;
        } else if (c != '\\' || p_ >= end_) {
            t.kind = Token::Byte;
            t.byte = c;
        } else if (isLetter(*p_)) {
            const char* word = p_;
            while (p_ < end_ && isLetter(*p_))
                ++p_;
            t.kind = Token::Word;
            t.word = std::string_view(word, size_t(p_ - word));
            const char* number = p_;
            if (p_ + 1 < end_ && *p_ == '-' && isDigit(p_[1]))
                ++p_;
            while (p_ < end_ && isDigit(*p_)) {
                if (t.param < 100000000000LL)
                    t.param = t.param * 10 + (*p_ - '0');
                ++p_;
            }
            t.hasParam = p_ > number;
            if (t.hasParam && *number == '-')
                t.param = -t.param;
            if (p_ < end_ && *p_ == ' ') {
                t.space = true;
                ++p_;
            }
        } else if (*p_ == '\'') {
            ++p_;
            int value = 0, digits = 0;
            while (digits < 2 && p_ < end_ && std::isxdigit(static_cast<unsigned char>(*p_))) {
                const char h = *p_++;
                value = value * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                ++digits;
            }
            t.kind = digits == 2 ? Token::Hex : Token::Symbol;   // a broken escape stays as it is
            t.byte = char(value);
        } else {
            t.kind = Token::Symbol;
            t.byte = *p_++;
        }
        t.raw = QByteArrayView(start, p_ - start);
        return true;
    }

    // Raw bytes after \binN belong to no token.
    QByteArrayView take(qint64 length)
    {
        const qint64 n = std::clamp<qint64>(length, 0, end_ - p_);
        const QByteArrayView bytes(p_, n);
        p_ += n;
        return bytes;
    }

private:
    const char* p_;
    const char* end_;
};

int localIndex(QStringList& list, const QString& entry)
{
    const qsizetype at = list.indexOf(entry);
    if (at >= 0)
        return int(at);
    list.append(entry);
    return int(list.size() - 1);
}

void appendWord(QByteArray& out, std::string_view word, qint64 param, bool space)
{
    out += '\\';
    out.append(word.data(), qsizetype(word.size()));
    out += QByteArray::number(param);
    if (space)
        out += ' ';
}

} // namespace

void KeptEncoder::append(KeptRtf& into, QByteArrayView bytes, int font, int uc)
{
    // The writer's \uc1 is in force around kept text: fallbacks that were read under another
    // count inherited from outside are replaced by one "?"; a count the group sets itself stays.
    struct Scope {
        int font;
        int readUc;
        int writeUc;
        bool ownUc;
    };
    std::vector<Scope> scopes{{font, uc, 1, false}};
    QByteArray& out = into.rtf;
    QByteArray pending;   // bytes of a code page, decoded together (some take two bytes a letter)
    int skip = 0;         // fallback units left after \u
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        const QString text = decoder_.decode(tables_.codePage(scopes.back().font), pending.constData(),
                                             pending.size());
        pending.clear();
        for (QChar c : text) {
            out += "\\u";
            out += QByteArray::number(c.unicode() > 32767 ? int(c.unicode()) - 65536 : int(c.unicode()));
            out += QByteArray(scopes.back().writeUc, '?');
        }
    };
    // A fallback unit: copied when the group's own count governs it, else left out.
    auto fallback = [&](QByteArrayView raw) {
        --skip;
        if (scopes.back().ownUc)
            out += raw;
    };
    Tokens tokens(bytes);
    Token t;
    while (tokens.next(t)) {
        switch (t.kind) {
        case Token::Open:
            flush();
            skip = 0;
            scopes.push_back(scopes.back());
            out += '{';
            break;
        case Token::Close:
            flush();
            skip = 0;
            if (scopes.size() > 1)
                scopes.pop_back();
            out += '}';
            break;
        case Token::Byte:
            if (skip > 0 && t.byte != '\r' && t.byte != '\n') {
                fallback(t.raw);
            } else if (static_cast<unsigned char>(t.byte) >= 0x80) {
                pending += t.byte;
            } else {
                flush();
                out += t.byte;
            }
            break;
        case Token::Hex:
            if (skip > 0)
                fallback(t.raw);
            else
                pending += t.byte;
            break;
        case Token::Symbol:
            if (skip > 0 && t.byte != '*') {
                fallback(t.raw);
                break;
            }
            flush();
            out += t.raw;
            break;
        case Token::Word: {
            if (skip > 0) {
                fallback(t.raw);
                if (t.word == "bin" && scopes.back().ownUc)
                    out += tokens.take(t.param);
                else if (t.word == "bin")
                    tokens.take(t.param);
                break;
            }
            flush();
            Scope& scope = scopes.back();
            if (t.word == "bin") {
                // A length past the end of the group's bytes is cut to what there is, so that
                // the written file's own ending is not taken for data when it is read again.
                const QByteArrayView data = tokens.take(t.param);
                appendWord(out, t.word, data.size(), true);
                out += data;
            } else if (isFontWord(t.word) && t.hasParam) {
                if (t.word == "f")
                    scope.font = int(t.param);
                appendWord(out, t.word, localIndex(into.fonts, tables_.fontName(int(t.param))), t.space);
            } else if (isColourWord(t.word) && t.hasParam && t.param > 0) {
                const QColor colour = tables_.colour(int(t.param));
                const QString name = colour.isValid() ? colour.name() : QString();
                appendWord(out, t.word, localIndex(into.colours, name) + 1, t.space);
            } else if (t.word == "uc" && t.hasParam) {
                scope.readUc = scope.writeUc = int(std::clamp<qint64>(t.param, 0, 16));
                scope.ownUc = true;
                out += t.raw;
            } else if (t.word == "u") {
                out += t.raw;
                skip = scope.readUc;
                if (!scope.ownUc)
                    out += '?';
            } else {
                out += t.raw;
            }
            break;
        }
        }
    }
    flush();
    // A group the file leaves open (it ends inside it) is closed, so what follows it in the
    // written file stays outside.
    for (; scopes.size() > 1; scopes.pop_back())
        out += '}';
}

QByteArray placeKept(const KeptRtf& kept, const std::function<int(const QString& font)>& fontIndex,
                     const std::function<int(const QColor& colour)>& colourIndex)
{
    QByteArray out;
    out.reserve(kept.rtf.size() + 16);
    Tokens tokens(kept.rtf);
    Token t;
    while (tokens.next(t)) {
        if (t.kind != Token::Word) {
            out += t.raw;
        } else if (t.word == "bin") {
            out += t.raw;
            out += tokens.take(t.param);
        } else if (isFontWord(t.word) && t.hasParam) {
            appendWord(out, t.word, fontIndex(kept.fonts.value(qsizetype(t.param))), t.space);
        } else if (isColourWord(t.word) && t.hasParam && t.param > 0) {
            const QString name = kept.colours.value(qsizetype(t.param - 1));
            appendWord(out, t.word, name.isEmpty() ? 0 : colourIndex(QColor(name)), t.space);
        } else {
            out += t.raw;
        }
    }
    return out;
}

void KeptReading::keepHere(QByteArrayView bytes, int font, int uc, const QString& label)
{
    encoder_.append(marker_, bytes, font, uc);
    if (label_.isEmpty())
        label_ = label;
}

QTextCharFormat KeptReading::takeMarker(const QTextCharFormat& around)
{
    const QTextCharFormat format = keptMarkerFormat(around, marker_, label_);
    marker_ = KeptRtf();
    label_.clear();
    return format;
}

KeptRtf KeptReading::encode(QByteArrayView bytes, int font, int uc)
{
    KeptRtf kept;
    encoder_.append(kept, bytes, font, uc);
    return kept;
}

// ---- where kept RTF lives --------------------------------------------------------------------

namespace {

bool readKept(const QTextFormat& format, int rtf, int fonts, int colours, KeptRtf* kept)
{
    if (!format.hasProperty(rtf))
        return false;
    if (kept) {
        kept->rtf = format.property(rtf).toByteArray();
        kept->fonts = format.property(fonts).toStringList();
        kept->colours = format.property(colours).toStringList();
    }
    return true;
}

void writeKept(QTextFormat& format, int rtf, int fonts, int colours, const KeptRtf& kept)
{
    format.setProperty(rtf, kept.rtf);
    format.setProperty(fonts, kept.fonts);
    format.setProperty(colours, kept.colours);
}

} // namespace

bool keptGroupOf(const QTextFormat& format, KeptRtf* kept)
{
    // An embedded object is kept on the picture that shows it.
    return (format.objectType() == kKeptObject || format.isImageFormat()) &&
           readKept(format, KeptGroupRtf, KeptGroupFonts, KeptGroupColours, kept);
}

bool keptFieldOf(const QTextFormat& format, KeptRtf* kept, qint64* id)
{
    if (!readKept(format, KeptFieldRtf, KeptFieldFonts, KeptFieldColours, kept))
        return false;
    if (id)
        *id = format.property(KeptFieldId).toLongLong();
    return true;
}

KeptRtf documentKept(const QTextDocument& document)
{
    KeptRtf kept;
    readKept(document.rootFrame()->frameFormat(), KeptDocumentRtf, KeptDocumentFonts,
             KeptDocumentColours, &kept);
    return kept;
}

QTextCharFormat keptMarkerFormat(const QTextCharFormat& around, const KeptRtf& kept,
                                 const QString& label)
{
    QTextCharFormat format = around;
    format.setObjectType(kKeptObject);
    writeKept(format, KeptGroupRtf, KeptGroupFonts, KeptGroupColours, kept);
    format.setProperty(KeptLabel, label);
    format.setProperty(KeptDigest, int(qHash(kept.rtf) & 0x7FFFFFFF));
    return format;
}

void setKeptField(QTextCharFormat& format, const KeptRtf& instruction, qint64 id)
{
    writeKept(format, KeptFieldRtf, KeptFieldFonts, KeptFieldColours, instruction);
    format.setProperty(KeptFieldId, int(id & 0x7FFFFFFF));   // an int: see KeptDigest
}

void setDocumentKept(QTextDocument& document, const KeptRtf& kept)
{
    QTextFrameFormat format = document.rootFrame()->frameFormat();
    if (kept.isEmpty()) {
        if (!format.hasProperty(KeptDocumentRtf))
            return;
        format.clearProperty(KeptDocumentRtf);
        format.clearProperty(KeptDocumentFonts);
        format.clearProperty(KeptDocumentColours);
    } else {
        writeKept(format, KeptDocumentRtf, KeptDocumentFonts, KeptDocumentColours, kept);
    }
    document.rootFrame()->setFrameFormat(format);
}

} // namespace platform::rtf
