#pragma once

// The RTF reader's parser: its state and the steps it reads a file in. Its members are defined in
// RtfReader.cpp (groups, pictures, what is kept), RtfControlWords.cpp (control words and symbols)
// and RtfParserText.cpp (text, code pages, fields and formats). Only the reader uses it.

#include "platform/rtf/RtfReader.h"

#include "platform/rtf/RtfBuilder.h"
#include "platform/rtf/RtfCodePages.h"
#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfKeywords.h"
#include "platform/rtf/RtfLists.h"
#include "platform/rtf/RtfPictures.h"

#include <QColor>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace platform::rtf::parsing {


// Groups deeper than this share the state of the deepest one: real files nest a few dozen levels,
// and the state stack must stay small whatever the input holds.
constexpr int kMaxGroupDepth = 4096;
constexpr int kMaxUnicodeFallback = 16;
constexpr qsizetype kMaxFieldInstruction = 4096;
constexpr int kMaxFields = 1 << 20;
constexpr int kMaxTwips = 31680;   // 22 inches

// Shape: a drawing's properties, of which only its picture ("pib") is read.
enum class Dest : std::uint8_t { Text, FontTable, ColorTable, FieldInstruction, Picture, Shape };

struct CharProps {
    int font = -1;
    int halfPoints = 24;
    int foreground = 0;   // colour table index; 0 is the automatic colour
    int background = 0;
    int href = 0;         // 1-based index into the link targets, 0 when no link
    int keptField = 0;    // 1-based index of the field whose instruction its text carries
    std::uint8_t underline = QTextCharFormat::NoUnderline;
    std::uint8_t vertical = 0;   // 1 superscript, 2 subscript
    std::uint8_t caps = 0;       // 1 all capitals, 2 small capitals
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    int left = 0, right = 0, firstLine = 0, before = 0, after = 0;   // twips
    std::uint8_t align = 0;   // 0 left, 1 centre, 2 right, 3 justified
    bool rtl = false;
    bool inTable = false;
    int nesting = 0;   // \itap
    int ls = 0;        // the list override a paragraph names, with its level
    int ilvl = 0;
    ListMark numbered; // the older form's list (\pn)
    int tableLevel() const { return nesting > 0 ? nesting : (inTable ? 1 : 0); }
};

struct GroupState {
    CharProps chr;
    ParaProps para;
    Dest dest = Dest::Text;
    int uc = 1;
    int field = 0;
    bool upr = false;        // inside \upr only the {\*\ud ...} part is read
    bool listText = false;   // list numbers carry paragraph words that must not end a table
    bool shapePicture = false;   // the value of a shape's picture property
    bool objectResult = false;   // inside an embedded object's shown result
    bool insideKept = false;     // inside a shape or an object, which is kept whole
    std::uint8_t owns = 0;       // kept things this group itself begins (Owns...)
    const char* open = nullptr;  // its opening brace, or the word that begins what is kept of it
    quint64 shownBefore = 0;     // how much had been shown when it opened
};

// OwnsFromWord: the group showed text before the word that makes it kept, so only the rest of
// it is kept.
enum : std::uint8_t { OwnsInstruction = 1, OwnsShape = 2, OwnsObject = 4, OwnsFromWord = 8 };

struct FontEntry {
    QString name;
    int charset = -1;
    int codePage = 0;
};

// The words of a picture group that describe it without referring to the document's tables;
// they are kept with the picture and written back as read.
inline bool isPictureWord(std::string_view word)
{
    static constexpr std::string_view kWords[] = {
        "picw", "pich", "picwgoal", "pichgoal", "picscalex", "picscaley", "piccropl", "piccropr",
        "piccropt", "piccropb", "picscaled", "picbmp", "picbpp", "bliptag", "blipupi",
        "wbmbitspixel", "wbmplanes", "wbmwidthbytes", "pngblip", "jpegblip", "emfblip",
        "wmetafile", "pmmetafile", "dibitmap", "wbitmap", "macpict", "defshp"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

// Characters that have a meaning of their own in a QTextDocument or none at all are replaced, so
// that the document holds exactly the text the file shows.
inline void sanitize(QString& text)
{
    const qsizetype n = text.size();
    bool clean = true;
    for (qsizetype i = 0; i < n && clean; ++i) {
        const char16_t c = text[i].unicode();
        clean = (c >= 0x20 && c < 0x7F) || c == u'\t' ||
                (c >= 0xA0 && c < 0xD800) || (c > 0xDFFF && c < 0xFDD0) ||
                (c > 0xFDEF && c < 0xFFFC);
    }
    if (clean)
        return;
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append(text[i]);
            out.append(text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c) || (c >= 0xFDD0 && c <= 0xFDEF) || c >= 0xFFFC) {
            out.append(QChar(0xFFFD));
        } else if (c == 0x2029) {
            out.append(QChar(QChar::LineSeparator));
        } else if (c < 0x20 && c != u'\t') {
            continue;
        } else if (c == 0x7F) {
            continue;
        } else {
            out.append(QChar(c));
        }
    }
    text = std::move(out);
}

inline QString hyperlinkTarget(const QString& instruction)
{
    const QString text = instruction.trimmed();
    if (!text.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return {};
    QString target, anchor;
    qsizetype i = 9;
    const qsizetype n = text.size();
    bool anchorNext = false;
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n)
            break;
        QString token;
        if (text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            token = text.mid(i + 1, close < 0 ? -1 : close - i - 1);
            i = close < 0 ? n : close + 1;
        } else {
            const qsizetype start = i;
            while (i < n && !text[i].isSpace())
                ++i;
            token = text.mid(start, i - start);
            if (token.startsWith(u'\\')) {
                anchorNext = token == QLatin1String("\\l");
                continue;
            }
        }
        if (anchorNext)
            anchor = token;
        else if (target.isEmpty())
            target = token;
        anchorNext = false;
    }
    if (!anchor.isEmpty())
        target += u'#' + anchor;
    return target;
}

class Parser {
public:
    Parser(const QByteArray& rtf, QTextDocument& document, const RtfReader::Progress& progress)
        : p_(rtf.constData()), end_(rtf.constData() + rtf.size()), builder_(document),
          begin_(p_), progress_(progress), kept_(keptTables(), decoder_)
    {
    }

    // Reads from the opening brace of the document group to its close (or the end of the data).
    void run();

    bool unclosed() const { return unclosed_; }
    void joinLists(QTextDocument& document) const { lists_.join(document); }
    bool sawPictures() const { return pictures_ > 0; }
    const KeptRtf& keptDocument() const { return kept_.document(); }

    // What the file held that the document cannot keep, in words a user understands.
    QStringList unkept() const;

private:
    GroupState& state() { return stack_.back(); }

    // ---- groups ----------------------------------------------------------------------------

    void openGroup();

    void closeGroup();

    // Passes over the rest of the current group, its nested groups and binary data included.
    // `content`, when given, tells whether the group held anything a reader sees: characters
    // or a picture.
    void skipRestOfGroup(bool* content = nullptr);

    void skipNoting(std::uint8_t what);

    // ---- pictures ----------------------------------------------------------------------------

    void pictureStart();

    void pictureWord(std::string_view word, bool hasParam, qint64 value);

    void pictureHex(const char* data, qsizetype size);

    // The picture becomes one object character in the text's format where it stands.
    void pictureEnd();

    static QString pictureName();

    // ---- kept groups -------------------------------------------------------------------------

    KeptEncoder::Tables keptTables();

    // A group of the text the document cannot show: kept whole, with the document while no
    // text was read (headers, footers, the document's information), else at its place.
    void keepGroup(bool documentKind, std::uint8_t what, const QString& label);

    // What a group showed before the word that makes it kept stays shown, and is not kept too.
    void keptFromHere(GroupState& s);

    void keepBytes(QByteArrayView bytes, bool documentKind, int font, int uc, const QString& label);

    void keptGroupEnd(std::uint8_t owns, QByteArrayView bytes, int font, int uc, int field,
                      quint64 shownBefore)
    {
        if ((owns & OwnsInstruction) && field > 0) {
            fieldKept_[size_t(field - 1)] = kept_.encode(bytes, font, uc);
            return;
        }
        if (state().dest != Dest::Text || overflow_ > 0)
            return;
        const bool showedText = shown_ != shownBefore;   // kept whole, it would show twice
        if (owns & OwnsShape) {
            if (!showedText)
                keepBytes(bytes, false, font, uc, QStringLiteral("box"));
            else if (shapeText_)
                unkept_ |= UnkeptTextBoxes;   // shown as its picture or text, its text box is lost
        } else if (owns & OwnsObject) {
            std::unique_ptr<Picture> picture = std::move(objectPicture_);
            if (objectText_ || showedText || !pendingText_.isEmpty() || !pendingBytes_.isEmpty()) {
                unkept_ |= UnkeptObjects;   // its result was text, read as such
            } else if (picture) {
                flushText();
                QTextImageFormat format = pictureFormat(charFormat(state().chr), *picture, pictureName());
                const KeptRtf kept = kept_.encode(bytes, font, uc);
                format.merge(keptMarkerFormat(QTextCharFormat(), kept, QString()));
                format.setObjectType(QTextFormat::ImageObject);
                builder_.addRun(QString(QChar::ObjectReplacementCharacter), format);
                ++pictures_;
                ++shown_;
                bodyStarted_ = true;
            } else {
                keepBytes(bytes, false, font, uc, QStringLiteral("obj"));
            }
        }
    }

    // ---- tokens ----------------------------------------------------------------------------

    qint64 readParameter(bool& hasParam);

    void skipBinary(qint64 length);

    void controlSequence();

    void symbol(char c);

    static bool endsFallback(Kw kw);

    void controlWord(Kw kw, bool hasParam, int param);

    static void underline(CharProps& chr, bool on, QTextCharFormat::UnderlineStyle style);

    // ---- text --------------------------------------------------------------------------------

    int codePageOf(int font);

    void textBytes(const char* data, qsizetype size);

    void character(char32_t c);

    static void appendCodePoint(QString& text, char32_t c);

    void unicode(int value);

    void flushBytes();

    void flushText();

    void paragraphEnd();

    // The rest of the current group as the file has it, the group's closing brace passed.
    std::string_view groupText();

    void numberParagraph(std::string_view group);

    // The format of the paragraph that ends here, with its place in a list.
    QTextBlockFormat endingFormat();

    // A SYMBOL field shows one character, given by number in its instruction.
    static char32_t fieldSymbol(const QString& instruction);

    void fieldEnd(int field, QByteArrayView bytes, int font, int uc);

    void fieldResult();

    // ---- tables of fonts and colours ---------------------------------------------------------

    // Font names are bytes in the font's own character set, mixed with \u characters.
    void flushFontNameBytes();

    void commitFontName();

    void resetColour();

    // ---- formats -------------------------------------------------------------------------------

    QTextCharFormat charFormat(const CharProps& props);

    QTextBlockFormat blockFormat();

    static constexpr qsizetype kReportEvery = 256 * 1024;

    const char* p_;
    const char* end_;
    RtfBuilder builder_;
    const char* begin_;
    const RtfReader::Progress& progress_;
    CodePageDecoder decoder_;
    KeptReading kept_;
    CharProps markerProps_;   // of the text where the marker being gathered stands
    QByteArrayView wordBytes_;   // the control word being acted on, as it stands in the file
    bool bodyStarted_ = false;
    std::unique_ptr<Picture> objectPicture_;
    bool objectText_ = false;
    std::vector<KeptRtf> fieldKept_;   // of each field, its instruction group
    std::vector<quint64> fieldStart_;  // of each field, how much had been shown where it began
    quint64 shown_ = 0;                // pieces of text and pictures shown so far
    std::unordered_map<int, qint64> fieldIds_;
    std::vector<GroupState> stack_;
    int overflow_ = 0;
    bool starPending_ = false;
    int ucPending_ = 0;
    bool unclosed_ = false;

    int documentCodePage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, FontEntry> fonts_;
    int fontId_ = -1;
    QByteArray fontName_;
    QString fontNameText_;
    bool fontCacheValid_ = false;
    int cachedFont_ = 0;
    int cachedCodePage_ = 0;

    RtfListReader lists_;
    ListMark lastNumbered_;   // the older form's list of the paragraph before
    int listTextFrom_ = -1;   // where the paragraph's marker text lies in it, while it is read
    int listTextTo_ = -1;

    std::vector<QColor> colors_;
    int colour_[3] = {0, 0, 0};
    bool colourSet_ = false;

    enum : std::uint8_t {
        UnkeptObjects = 1,
        UnkeptHeadersFooters = 2,
        UnkeptFootnotes = 4,
        UnkeptComments = 8,
        UnkeptTextBoxes = 16,
    };
    std::uint8_t unkept_ = 0;
    Picture picture_;
    int nibble_ = -1;
    QByteArray shapeName_;   // of the shape property being read
    bool shapeShown_ = false;
    bool shapeText_ = false;   // the shape being read holds a text box
    int pictures_ = 0;

    std::vector<QString> fieldInstructions_;
    std::vector<QString> hrefs_;
    int footnotes_ = 0;
    std::vector<RtfBuilder::CellDef> rowCells_;
    RtfBuilder::RowPlace rowPlace_;
    std::uint8_t cellMerge_ = RtfBuilder::MergeNone;

    QByteArray pendingBytes_;
    int bytesCodePage_ = 1252;
    QString pendingText_;
    CharProps pendingProps_;

    bool formatCacheValid_ = false;
    CharProps cachedProps_;
    QTextCharFormat cachedFormat_;
};

} // namespace platform::rtf::parsing
