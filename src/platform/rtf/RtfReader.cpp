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

namespace platform::rtf {

namespace {

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
bool isPictureWord(std::string_view word)
{
    static constexpr std::string_view kWords[] = {
        "picw", "pich", "picwgoal", "pichgoal", "picscalex", "picscaley", "piccropl", "piccropr",
        "piccropt", "piccropb", "picscaled", "picbmp", "picbpp", "bliptag", "blipupi",
        "wbmbitspixel", "wbmplanes", "wbmwidthbytes", "pngblip", "jpegblip", "emfblip",
        "wmetafile", "pmmetafile", "dibitmap", "wbitmap", "macpict", "defshp"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Characters that have a meaning of their own in a QTextDocument or none at all are replaced, so
// that the document holds exactly the text the file shows.
void sanitize(QString& text)
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

QString hyperlinkTarget(const QString& instruction)
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
    void run()
    {
        stack_.reserve(64);
        stack_.emplace_back();
        ++p_;   // the document group's "{"
        const char* nextReport = p_ + kReportEvery;
        while (p_ < end_ && !stack_.empty()) {
            if (p_ >= nextReport && progress_) {
                nextReport = p_ + kReportEvery;
                if (!progress_(p_ - begin_, end_ - begin_))
                    break;
            }
            const char c = *p_;
            if (c == '{') {
                ++p_;
                openGroup();
            } else if (c == '}') {
                ++p_;
                closeGroup();
            } else if (c == '\\') {
                ++p_;
                controlSequence();
            } else if (c == '\r' || c == '\n') {
                ++p_;
            } else {
                const char* start = p_;
                while (p_ < end_ && *p_ != '{' && *p_ != '}' && *p_ != '\\' && *p_ != '\r' &&
                       *p_ != '\n')
                    ++p_;
                textBytes(start, p_ - start);
            }
        }
        unclosed_ = !stack_.empty();
        if (!stack_.empty()) {
            if (state().dest == Dest::Picture)
                pictureEnd();   // what was read of it is kept
            flushText();
            builder_.finish(state().para.tableLevel(), endingFormat());
        }
    }

    bool unclosed() const { return unclosed_; }
    void joinLists(QTextDocument& document) const { lists_.join(document); }
    bool sawPictures() const { return pictures_ > 0; }
    const KeptRtf& keptDocument() const { return kept_.document(); }

    // What the file held that the document cannot keep, in words a user understands.
    QStringList unkept() const
    {
        QStringList words;
        if (unkept_ & UnkeptObjects)
            words << QStringLiteral("embedded objects");
        if (unkept_ & UnkeptHeadersFooters)
            words << QStringLiteral("headers and footers");
        if (unkept_ & UnkeptFootnotes)
            words << QStringLiteral("footnotes");
        if (unkept_ & UnkeptComments)
            words << QStringLiteral("comments");
        if (unkept_ & UnkeptTextBoxes)
            words << QStringLiteral("text boxes");
        return words;
    }

private:
    GroupState& state() { return stack_.back(); }

    // ---- groups ----------------------------------------------------------------------------

    void openGroup()
    {
        ucPending_ = 0;
        starPending_ = false;
        if (overflow_ > 0 || int(stack_.size()) >= kMaxGroupDepth) {
            ++overflow_;
            return;
        }
        if (state().upr) {
            static constexpr char kUd[] = "\\*\\ud";
            const qsizetype left = end_ - p_;
            stack_.push_back(state());
            state().upr = false;
            if (left >= 5 && std::memcmp(p_, kUd, 5) == 0 && (left == 5 || !isLetter(p_[5]))) {
                p_ += 5;
                if (p_ < end_ && *p_ == ' ')
                    ++p_;
            } else {
                skipRestOfGroup();
            }
            return;
        }
        stack_.push_back(state());
        state().owns = 0;
        state().open = p_ - 1;
        state().shownBefore = shown_;
    }

    void closeGroup()
    {
        ucPending_ = 0;
        starPending_ = false;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (state().dest == Dest::FontTable)
            commitFontName();
        if (stack_.size() == 1) {
            // The document group ends: whatever follows it is not part of the document.
            flushText();
            builder_.finish(state().para.tableLevel(), endingFormat());
            stack_.pop_back();
            return;
        }
        const int field = state().field;
        const bool picture = state().dest == Dest::Picture;
        if (state().listText && !stack_[stack_.size() - 2].listText) {
            flushText();
            listTextTo_ = builder_.paragraphLength();
        }
        const std::uint8_t owns = state().owns;
        const char* open = state().open;
        const int font = state().chr.font, uc = state().uc;
        const quint64 shownBefore = state().shownBefore;
        stack_.pop_back();
        if (picture && state().dest != Dest::Picture)
            pictureEnd();
        const QByteArray fromWord = owns & OwnsFromWord ? QByteArray("{").append(QByteArrayView(open, p_ - open))
                                                        : QByteArray();
        const QByteArrayView bytes = owns & OwnsFromWord ? QByteArrayView(fromWord) : QByteArrayView(open, p_ - open);
        if (owns)
            keptGroupEnd(owns, bytes, font, uc, field, shownBefore);
        if (field > 0 && field != state().field)
            fieldEnd(field, bytes, font, uc);
    }

    // Passes over the rest of the current group, its nested groups and binary data included.
    // `content`, when given, tells whether the group held anything a reader sees: characters
    // or a picture.
    void skipRestOfGroup(bool* content = nullptr)
    {
        int depth = 1;
        while (p_ < end_) {
            const char c = *p_++;
            if (c == '{') {
                ++depth;
            } else if (c == '}') {
                if (--depth == 0) {
                    closeGroup();
                    return;
                }
            } else if (c == '\\' && p_ < end_) {
                if (!isLetter(*p_)) {
                    if (content && (*p_ == '\'' || *p_ == '\\' || *p_ == '{' || *p_ == '}'))
                        *content = true;
                    ++p_;
                    continue;
                }
                const char* word = p_;
                while (p_ < end_ && isLetter(*p_))
                    ++p_;
                const std::string_view name(word, size_t(p_ - word));
                const bool bin = name == "bin";
                if (content && (name == "u" || name == "pict"))
                    *content = true;
                bool hasParam = false;
                const qint64 param = readParameter(hasParam);
                if (bin)
                    skipBinary(param);
            } else if (content && c != ' ' && c != '\r' && c != '\n' && c != '\t' && c != ';') {
                *content = true;
            }
        }
        // The data ends inside the group: the document ends here.
        overflow_ = 0;
    }

    void skipNoting(std::uint8_t what)
    {
        bool content = false;
        skipRestOfGroup(&content);
        if (content)
            unkept_ |= what;
    }

    // ---- pictures ----------------------------------------------------------------------------

    void pictureStart()
    {
        flushText();
        state().dest = Dest::Picture;
        picture_ = Picture();
        nibble_ = -1;
    }

    void pictureWord(std::string_view word, bool hasParam, qint64 value)
    {
        if (word == "bin") {
            // Raw bytes follow the word's delimiting space; a length past the end takes the rest.
            if (value > 0) {
                const qint64 n = std::min<qint64>(value, end_ - p_);
                picture_.data.append(p_, qsizetype(n));
                p_ += n;
            }
            return;
        }
        if (!isPictureWord(word))
            return;
        picture_.keywords += '\\';
        picture_.keywords.append(word.data(), qsizetype(word.size()));
        if (hasParam)
            picture_.keywords += QByteArray::number(value);
    }

    void pictureHex(const char* data, qsizetype size)
    {
        for (qsizetype i = 0; i < size; ++i) {
            const int v = hexValue(data[i]);
            if (v < 0)
                continue;
            if (nibble_ < 0) {
                nibble_ = v;
            } else {
                picture_.data += char(nibble_ * 16 + v);
                nibble_ = -1;
            }
        }
    }

    // The picture becomes one object character in the text's format where it stands.
    void pictureEnd()
    {
        if (state().objectResult && !objectPicture_) {
            objectPicture_ = std::make_unique<Picture>(std::move(picture_));   // shown with its object
            picture_ = Picture();
            return;
        }
        flushText();
        ++shown_;
        bodyStarted_ = true;
        builder_.addRun(QString(QChar::ObjectReplacementCharacter),
                        pictureFormat(charFormat(state().chr), picture_, pictureName()));
        picture_ = Picture();
        ++pictures_;
        if (state().dest == Dest::Shape)
            shapeShown_ = true;
    }

    static QString pictureName()
    {
        static std::atomic<quint64> names{0};
        return QStringLiteral("quiple-picture:%1").arg(++names);
    }

    // ---- kept groups -------------------------------------------------------------------------

    KeptEncoder::Tables keptTables()
    {
        return {[this](int font) {
                    const auto it = fonts_.find(font);
                    return it == fonts_.end() ? QString() : it->second.name;
                },
                [this](int font) { return codePageOf(font); },
                [this](int index) {
                    return index > 0 && size_t(index) < colors_.size() ? colors_[size_t(index)] : QColor();
                }};
    }

    // A group of the text the document cannot show: kept whole, with the document while no
    // text was read (headers, footers, the document's information), else at its place.
    void keepGroup(bool documentKind, std::uint8_t what, const QString& label)
    {
        GroupState& s = state();
        if (s.dest != Dest::Text || s.listText || overflow_ > 0 || stack_.size() < 2) {
            skipNoting(what);
            return;
        }
        keptFromHere(s);
        const std::uint8_t owns = s.owns;
        const char* open = s.open;
        const int font = s.chr.font, uc = s.uc;
        skipRestOfGroup();
        const QByteArrayView bytes(open, p_ - open);
        const QByteArray fromWord = owns & OwnsFromWord ? QByteArray("{").append(bytes) : QByteArray();
        keepBytes(owns & OwnsFromWord ? QByteArrayView(fromWord) : bytes, documentKind, font, uc, label);
    }

    // What a group showed before the word that makes it kept stays shown, and is not kept too.
    void keptFromHere(GroupState& s)
    {
        if ((s.shownBefore == shown_ && !(s.owns & OwnsFromWord)) || stack_.size() < 2)
            return;   // the document group itself is never kept
        s.owns |= OwnsFromWord;
        const char* word = wordBytes_.data();
        s.open = word - begin_ >= 2 && word[-1] == '*' && word[-2] == '\\' ? word - 2 : word;
    }

    void keepBytes(QByteArrayView bytes, bool documentKind, int font, int uc, const QString& label)
    {
        if (state().insideKept)
            return;   // written with the shape or object around it
        if (documentKind && !bodyStarted_) {
            kept_.keepInDocument(bytes, font, uc);
            return;
        }
        if (!pendingText_.isEmpty() || !pendingBytes_.isEmpty())
            flushText();   // the text before it; groups that follow each other make one marker
        ++shown_;
        if (!kept_.hasMarker()) {
            markerProps_ = state().chr;
            markerProps_.vertical = 0;   // what is typed after a footnote mark is not raised
            markerProps_.keptField = 0;
        }
        kept_.keepHere(bytes, font, uc, label);
    }

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

    qint64 readParameter(bool& hasParam)
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

    void skipBinary(qint64 length)
    {
        if (length <= 0)
            return;
        p_ += std::min<qint64>(length, end_ - p_);
    }

    void controlSequence()
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

    void symbol(char c)
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

    static bool endsFallback(Kw kw)
    {
        switch (kw) {
        case Kw::Par: case Kw::Sect: case Kw::Page: case Kw::Line: case Kw::Cell:
        case Kw::NestCell: case Kw::Row: case Kw::NestRow: case Kw::Pard: case Kw::Plain:
            return true;
        default:
            return false;
        }
    }

    void controlWord(Kw kw, bool hasParam, int param)
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

    static void underline(CharProps& chr, bool on, QTextCharFormat::UnderlineStyle style)
    {
        chr.underline = on ? style : QTextCharFormat::NoUnderline;
    }

    // ---- text --------------------------------------------------------------------------------

    int codePageOf(int font)
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

    void textBytes(const char* data, qsizetype size)
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

    void character(char32_t c)
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

    static void appendCodePoint(QString& text, char32_t c)
    {
        if (c > 0xFFFF) {
            text.append(QChar::highSurrogate(c));
            text.append(QChar::lowSurrogate(c));
        } else {
            text.append(QChar(char16_t(c)));
        }
    }

    void unicode(int value)
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

    void flushBytes()
    {
        if (pendingBytes_.isEmpty())
            return;
        pendingText_ += decoder_.decode(bytesCodePage_, pendingBytes_.constData(), pendingBytes_.size());
        pendingBytes_.clear();
    }

    void flushText()
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

    void paragraphEnd()
    {
        flushText();
        bodyStarted_ = true;
        builder_.setTableLevel(state().para.tableLevel());
        builder_.endParagraph(endingFormat());
    }

    // The rest of the current group as the file has it, the group's closing brace passed.
    std::string_view groupText()
    {
        const char* from = p_;
        skipRestOfGroup();
        return std::string_view(from, size_t(std::max<qsizetype>(0, p_ - from - 1)));
    }

    void numberParagraph(std::string_view group)
    {
        state().para.numbered = lists_.readParagraphNumbering(group, lastNumbered_);
    }

    // The format of the paragraph that ends here, with its place in a list.
    QTextBlockFormat endingFormat()
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

    // A SYMBOL field shows one character, given by number in its instruction.
    static char32_t fieldSymbol(const QString& instruction)
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

    void fieldEnd(int field, QByteArrayView bytes, int font, int uc)
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

    void fieldResult()
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

    // ---- tables of fonts and colours ---------------------------------------------------------

    // Font names are bytes in the font's own character set, mixed with \u characters.
    void flushFontNameBytes()
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

    void commitFontName()
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

    void resetColour()
    {
        colour_[0] = colour_[1] = colour_[2] = 0;
        colourSet_ = false;
    }

    // ---- formats -------------------------------------------------------------------------------

    QTextCharFormat charFormat(const CharProps& props)
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

    QTextBlockFormat blockFormat()
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

// Where the document group starts: after an optional byte-order mark and white space.
qsizetype rtfStart(const QByteArray& data)
{
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf") ? i : -1;
}

} // namespace

bool RtfReader::looksLikeRtf(const QByteArray& head)
{
    return head.startsWith("{\\rtf");
}

bool RtfReader::read(const QByteArray& rtf, QTextDocument& document, QString* warning,
                     const Progress& progress, QStringList* unkept)
{
    if (warning)
        warning->clear();
    if (unkept)
        unkept->clear();
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    const qsizetype start = rtfStart(rtf);
    if (start < 0) {
        document.setUndoRedoEnabled(undo);
        if (warning)
            *warning = QStringLiteral("The data is not rich text: it does not start with {\\rtf.");
        return false;
    }
    bool unclosed = false;
    {
        const QByteArray body = start == 0 ? rtf : rtf.sliced(start);
        QTextCursor edit(&document);
        edit.beginEditBlock();
        Parser parser(body, document, progress);
        parser.run();
        parser.joinLists(document);
        unclosed = parser.unclosed();
        edit.endEditBlock();
        if (parser.sawPictures())
            providePictureImages(document);
        if (unkept)
            *unkept = parser.unkept();
        setDocumentKept(document, parser.keptDocument());
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    if (unclosed && warning)
        *warning = QStringLiteral("The rich text ends early (a group is not closed); "
                                  "everything up to that point was read.");
    return true;
}

} // namespace platform::rtf
