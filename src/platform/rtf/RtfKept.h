#pragma once

#include <QByteArray>
#include <QColor>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextFormat>

#include <functional>

class QTextDocument;

namespace platform::rtf {

class CodePageDecoder;

/// RTF the document cannot show (a header, a footnote, a comment, a bookmark, a field's
/// instruction, page settings), kept as the file gave it so that saving writes it back in place.
/// Its references to the file's font and colour tables are made its own: in `rtf`, \fN names
/// fonts[N] and \cfN (and every other colour word) colours[N - 1], 0 staying the automatic
/// colour; the writer renumbers them into the tables it writes. Bytes of a code page are turned
/// into \uN, since the writer's font table names no character sets.
struct KeptRtf {
    QByteArray rtf;
    QStringList fonts;
    QStringList colours;   // "#rrggbb", or empty for a colour the file left undefined
    bool isEmpty() const { return rtf.isEmpty(); }
};

/// Where kept RTF lives in a character format. A marker is an object character of type
/// kKeptObject that stands for groups at a place in the text: deleting it deletes them. A field
/// keeps its result as text whose characters carry the field's instruction group and a number
/// that tells one field from the next.
enum KeptProperty {
    KeptGroupRtf = QTextFormat::UserProperty + 0x5300,
    KeptGroupFonts,
    KeptGroupColours,
    KeptLabel,        // what the marker shows: a footnote's number, "c" for a comment, ...
    KeptFieldRtf,
    KeptFieldFonts,
    KeptFieldColours,
    KeptFieldId,
    KeptDocumentRtf,  // of the root frame: groups and settings of the document as a whole
    KeptDocumentFonts,
    KeptDocumentColours,
    // Qt tells formats apart by a hash that sees only the type of byte arrays and long numbers:
    // an int drawn from the content keeps thousands of different markers from colliding.
    KeptDigest,
};
inline constexpr int kKeptObject = QTextFormat::UserObject + 0x53;

/// Turns a group of the file into kept RTF. The reader tells what its tables hold.
class KeptEncoder {
public:
    struct Tables {
        std::function<QString(int font)> fontName;   // empty when the file names no such font
        std::function<int(int font)> codePage;
        std::function<QColor(int index)> colour;      // invalid when undefined
    };
    KeptEncoder(Tables tables, CodePageDecoder& decoder) : tables_(std::move(tables)), decoder_(decoder) {}

    /// Appends `bytes` (whole groups, or control words) to `into`, as read where the font `font`
    /// and the Unicode fallback count `uc` are in force.
    void append(KeptRtf& into, QByteArrayView bytes, int font, int uc);

private:
    Tables tables_;
    CodePageDecoder& decoder_;
};

/// What the reader keeps of a file: the document's own groups and settings, and the groups met
/// since the last text, which become one marker at their place (a footnote's reference mark and
/// the footnote itself, a comment's author, reference and text).
class KeptReading {
public:
    KeptReading(KeptEncoder::Tables tables, CodePageDecoder& decoder) : encoder_(std::move(tables), decoder) {}

    void keepInDocument(QByteArrayView bytes, int font, int uc) { encoder_.append(document_, bytes, font, uc); }
    /// `label`, when the marker has none yet, is what it shows.
    void keepHere(QByteArrayView bytes, int font, int uc, const QString& label);
    bool hasMarker() const { return !marker_.isEmpty(); }
    QTextCharFormat takeMarker(const QTextCharFormat& around);
    KeptRtf encode(QByteArrayView bytes, int font, int uc);
    const KeptRtf& document() const { return document_; }

private:
    KeptEncoder encoder_;
    KeptRtf marker_;
    QString label_;
    KeptRtf document_;
};

/// What a marker, a field's text or the document carries; false when nothing.
bool keptGroupOf(const QTextFormat& format, KeptRtf* kept);
bool keptFieldOf(const QTextFormat& format, KeptRtf* kept, qint64* id = nullptr);
KeptRtf documentKept(const QTextDocument& document);

/// The format of a marker: `around` (the text's format, for what is typed after it) made an
/// object that carries `kept` and shows `label`.
QTextCharFormat keptMarkerFormat(const QTextCharFormat& around, const KeptRtf& kept,
                                 const QString& label);
void setKeptField(QTextCharFormat& format, const KeptRtf& instruction, qint64 id);
void setDocumentKept(QTextDocument& document, const KeptRtf& kept);

/// Kept RTF as it is written into a file whose tables the writer numbers.
QByteArray placeKept(const KeptRtf& kept, const std::function<int(const QString& font)>& fontIndex,
                     const std::function<int(const QColor& colour)>& colourIndex);

} // namespace platform::rtf
