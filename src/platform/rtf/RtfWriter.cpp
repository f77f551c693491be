#include "platform/rtf/RtfWriter.h"

#include "platform/rtf/ParagraphPieces.h"
#include "platform/rtf/RtfBuilder.h"
#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfLists.h"
#include "platform/rtf/RtfPictures.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace platform::rtf {

namespace {

constexpr int kPageTextWidthTwips = 9638;   // A4 with 2 cm margins, what word processors assume
// What a writer holds before it hands its bytes on: large enough that the sink is not called for
// every paragraph, small beside any document worth writing in pieces.
constexpr qsizetype kPieceBytes = 1024 * 1024;

int toTwips(qreal pixels) { return int(std::lround(pixels * 15.0)); }

void appendNumber(QByteArray& out, qint64 n) { out += QByteArray::number(n); }

// A picture as its file gave it: its words, then its data in hexadecimal, 64 bytes a line.
void appendPicture(QByteArray& out, const Picture& picture)
{
    out += "{\\pict";
    out += picture.keywords;
    out += '\n';
    const QByteArray hex = picture.data.toHex();
    constexpr qsizetype kLine = 128;
    for (qsizetype at = 0; at < hex.size(); at += kLine) {
        out += QByteArrayView(hex).sliced(at, std::min(kLine, hex.size() - at));
        out += '\n';
    }
    out += '}';
}

QString familyOf(const QTextCharFormat& format, const QString& fallback)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.front().isEmpty())
        return families.front();
    return fallback;
}

class Writer {
public:
    explicit Writer(const QTextDocument& document) : document_(document)
    {
        const QFont font = document.defaultFont();
        defaultFamily_ = font.family();
        defaultPoints_ = font.pointSizeF() > 0 ? font.pointSizeF()
                         : font.pixelSize() > 0 ? font.pixelSize() * 0.75
                                                : 12.0;
    }

    /// The whole document; with a sink, handed on in pieces (false when the sink stopped it).
    QByteArray write(const RtfWriter::Sink* sink = nullptr)
    {
        fontIndex(defaultFamily_);
        const KeptRtf kept = documentKept(document_);
        collectKept(kept);
        collect(document_.rootFrame());

        QByteArray out;
        sink_ = sink;
        out.reserve(sink ? 2 * kPieceBytes : document_.characterCount() * 2 + 1024);
        writeHeader(out);
        if (!kept.isEmpty()) {
            out += place(kept);
            out += '\n';
        }
        writeFrame(out, document_.rootFrame(), 0);
        out += "}\n";
        if (sink_)
            spill(out, true);
        return out;
    }

    /// Plain text as one run of the document's default font, in color when given, a paragraph
    /// for each line, just as write() puts a document holding it.
    bool writePlain(const RtfWriter::Pieces& text, const std::optional<QColor>& color,
                    const RtfWriter::Sink& sink)
    {
        fontIndex(defaultFamily_);
        QTextCharFormat format;
        if (color) {
            format.setForeground(*color);
            // A document has a run of the colour only when the text is more than line breaks.
            bool characters = false;
            text([&](QStringView piece) {
                characters = std::any_of(piece.begin(), piece.end(), [](QChar c) { return !breaksParagraph(c); });
                return !characters;
            });
            if (characters)
                colorIndex(*color);
        }
        sink_ = &sink;
        QByteArray out;
        out.reserve(2 * kPieceBytes);
        writeHeader(out);
        QByteArray paragraph;
        writeParagraphStart(paragraph, QTextBlockFormat(), 0);
        const QByteArray runStart = '{' + runControls(format) + ' ';
        out += paragraph;
        bool runOpen = false;
        text([&](QStringView piece) {
            qsizetype from = 0;
            for (qsizetype i = 0; i <= piece.size(); ++i) {
                const bool end = i == piece.size();
                if (!end && !breaksParagraph(piece[i]))
                    continue;
                if (i > from && !std::exchange(runOpen, true))
                    out += runStart;
                appendRtfText(out, piece.sliced(from, i - from));
                if (!end) {
                    if (std::exchange(runOpen, false))
                        out += '}';
                    out += "\\par\n";
                    out += paragraph;
                }
                from = i + 1;
            }
            return spill(out, false);
        });
        if (stopped_)
            return false;
        if (runOpen)
            out += '}';
        out += "\\par\n}\n";
        return spill(out, true);
    }

    bool stopped() const { return stopped_; }

private:
    // What starts a new paragraph when a document is given text.
    static bool breaksParagraph(QChar c)
    {
        return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0)
               || c == QChar(0xFDD1);
    }

    // Hands what was made to the sink once there is a piece of it, or at the end. Only between
    // paragraphs: a run looks back at what it wrote last.
    bool spill(QByteArray& out, bool last)
    {
        if (!sink_ || stopped_ || (!last && out.size() < kPieceBytes))
            return !stopped_;
        if (!out.isEmpty() && !(*sink_)(out))
            stopped_ = true;
        out.clear();
        return !stopped_;
    }

    void writeHeader(QByteArray& out)
    {
        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
        for (const QString& family : fontList_) {
            out += "{\\f";
            appendNumber(out, fonts_[family]);
            out += "\\fnil\\fcharset0 ";
            QString name = family;
            name.remove(u';');
            appendRtfText(out, name);
            out += ";}";
        }
        out += "}\n{\\colortbl;";
        for (QRgb rgb : colorList_) {
            out += "\\red";
            appendNumber(out, qRed(rgb));
            out += "\\green";
            appendNumber(out, qGreen(rgb));
            out += "\\blue";
            appendNumber(out, qBlue(rgb));
            out += ';';
        }
        out += "}\n";
        if (!lists_.empty())
            out += lists_.tables();
        out += "{\\*\\generator Quiple;}\\viewkind4\n";
    }

    int fontIndex(const QString& family)
    {
        const auto it = fonts_.find(family);
        if (it != fonts_.end())
            return it->second;
        const int index = int(fontList_.size());
        fonts_.emplace(family, index);
        fontList_.push_back(family);
        return index;
    }

    int colorIndex(const QColor& color)
    {
        const QRgb rgb = color.rgb() & 0xFFFFFF;
        const auto it = colors_.find(rgb);
        if (it != colors_.end())
            return it->second;
        const int index = int(colorList_.size()) + 1;
        colors_.emplace(rgb, index);
        colorList_.push_back(rgb);
        return index;
    }

    // Kept RTF names fonts and colours the tables must hold before it is written.
    void collectKept(const KeptRtf& kept)
    {
        for (const QString& family : kept.fonts)
            fontIndex(family.isEmpty() ? defaultFamily_ : family);
        for (const QString& name : kept.colours)
            if (!name.isEmpty())
                colorIndex(QColor(name));
    }

    QByteArray place(const KeptRtf& kept)
    {
        return placeKept(
            kept, [this](const QString& family) { return fontIndex(family.isEmpty() ? defaultFamily_ : family); },
            [this](const QColor& colour) { return colorIndex(colour); });
    }

    void collectBlock(const QTextBlock& block)
    {
        lists_.collect(block);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            KeptRtf kept;
            if (keptGroupOf(format, &kept))
                collectKept(kept);
            if (keptFieldOf(format, &kept))
                collectKept(kept);
            fontIndex(familyOf(format, defaultFamily_));
            if (format.foreground().style() != Qt::NoBrush)
                colorIndex(format.foreground().color());
            if (format.background().style() != Qt::NoBrush)
                colorIndex(format.background().color());
        }
    }

    void collect(QTextFrame* frame)
    {
        for (auto it = frame->begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame())
                collect(child);
            else
                collectBlock(it.currentBlock());
        }
    }

    QByteArray runControls(const QTextCharFormat& format)
    {
        QByteArray c;
        c += "\\f";
        appendNumber(c, fontIndex(familyOf(format, defaultFamily_)));
        qreal points = format.fontPointSize();
        if (points <= 0 && format.hasProperty(QTextFormat::FontPixelSize))
            points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
        if (points <= 0)
            points = defaultPoints_;
        c += "\\fs";
        appendNumber(c, std::max<qint64>(2, std::lround(points * 2)));
        if (format.fontWeight() >= QFont::DemiBold)
            c += "\\b";
        if (format.fontItalic())
            c += "\\i";
        switch (format.underlineStyle()) {
        case QTextCharFormat::NoUnderline:
            if (format.fontUnderline())
                c += "\\ul";
            break;
        case QTextCharFormat::DotLine: c += "\\uld"; break;
        case QTextCharFormat::DashUnderline: c += "\\uldash"; break;
        case QTextCharFormat::DashDotLine: c += "\\uldashd"; break;
        case QTextCharFormat::DashDotDotLine: c += "\\uldashdd"; break;
        case QTextCharFormat::WaveUnderline: case QTextCharFormat::SpellCheckUnderline:
            c += "\\ulwave";
            break;
        default: c += "\\ul"; break;
        }
        if (format.fontStrikeOut())
            c += "\\strike";
        if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            c += "\\super";
        else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
            c += "\\sub";
        if (format.fontCapitalization() == QFont::AllUppercase)
            c += "\\caps";
        else if (format.fontCapitalization() == QFont::SmallCaps)
            c += "\\scaps";
        if (format.foreground().style() != Qt::NoBrush) {
            c += "\\cf";
            appendNumber(c, colorIndex(format.foreground().color()));
        }
        if (format.background().style() != Qt::NoBrush) {
            c += "\\highlight";
            appendNumber(c, colorIndex(format.background().color()));
        }
        return c;
    }

    // The runs of a paragraph, from its first piece to its last.
    void writeRuns(QByteArray& out, const QTextBlock& first, const QTextBlock& last)
    {
        QByteArray openControls;   // of the run group being written
        QString openHref;          // of the hyperlink field being written
        qint64 openField = 0;      // of the kept field being written
        bool runOpen = false;
        auto closeRun = [&] {
            if (runOpen)
                out += '}';
            runOpen = false;
        };
        auto closeField = [&] {
            closeRun();
            if (openField)
                out += "}}";
            openField = 0;
        };
        auto closeLink = [&] {
            closeField();
            if (!openHref.isEmpty())
                out += "}}";
            openHref.clear();
        };
        for (QTextBlock block = first;; block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const QTextCharFormat format = fragment.charFormat();
                const QString href = format.isAnchor() ? format.anchorHref() : QString();
                if (href != openHref) {
                    closeLink();
                    if (!href.isEmpty()) {
                        out += "{\\field{\\*\\fldinst{HYPERLINK \"";
                        QString target = href;
                        target.remove(u'"');
                        appendRtfText(out, target);
                        out += "\"}}{\\fldrslt";
                        openHref = href;
                    }
                }
                // A field's instruction is written once, around the first stretch of its text: a
                // result that runs over paragraphs keeps the rest as plain text.
                KeptRtf instruction;
                qint64 field = 0;
                if (!keptFieldOf(format, &instruction, &field) || writtenFields_.count(field) > 0)
                    field = 0;
                if (field != openField) {
                    closeField();
                    if (field) {
                        out += "{\\field";
                        out += place(instruction);
                        out += "{\\fldrslt";
                        openField = field;
                        writtenFields_.insert(field);
                    }
                }
                const QByteArray controls = runControls(format);
                if (!runOpen || controls != openControls) {
                    closeRun();
                    out += '{';
                    out += controls;
                    out += ' ';
                    openControls = controls;
                    runOpen = true;
                }
                Picture picture;
                KeptRtf kept;
                const bool marker = keptGroupOf(format, &kept);
                if (marker || pictureOf(format, &picture)) {
                    // An embedded object is written whole, the picture that shows it included.
                    for (QChar c : fragment.text()) {
                        if (c != QChar::ObjectReplacementCharacter)
                            continue;
                        if (!marker) {
                            appendPicture(out, picture);
                            continue;
                        }
                        out += place(kept);
                        if (!out.endsWith('}') && !out.endsWith(' '))
                            out += ' ';   // ends a control word before the text that follows
                    }
                    continue;
                }
                appendRtfText(out, fragment.text());
            }
            if (block == last)
                break;
        }
        closeLink();
    }

    void writeParagraphStart(QByteArray& out, const QTextBlockFormat& format, int level,
                             const QByteArray& listWords = {})
    {
        out += "\\pard\\plain";
        if (level > 0) {
            out += "\\intbl";
            if (level > 1) {
                out += "\\itap";
                appendNumber(out, level);
            }
        }
        if (format.layoutDirection() == Qt::RightToLeft)
            out += "\\rtlpar";
        const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter)
            out += "\\qc";
        else if (align & Qt::AlignJustify)
            out += "\\qj";
        else if (align & Qt::AlignRight)
            out += "\\qr";
        else
            out += "\\ql";
        const qreal indentStep = document_.indentWidth();
        const struct {
            const char* word;
            qreal pixels;
        } spacing[] = {
            {"\\li", format.leftMargin() + format.indent() * indentStep},
            {"\\ri", format.rightMargin()},
            {"\\fi", format.textIndent()},
            {"\\sb", format.topMargin()},
            {"\\sa", format.bottomMargin()},
        };
        for (const auto& [word, pixels] : spacing) {
            const int twips = toTwips(pixels);
            if (twips != 0) {
                out += word;
                appendNumber(out, twips);
            }
        }
        out += listWords;
        out += ' ';
    }

    void writeFrame(QByteArray& out, QTextFrame* frame, int level)
    {
        for (auto it = frame->begin(); !it.atEnd() && !stopped_; ++it) {
            if (QTextFrame* child = it.currentFrame()) {
                if (auto* table = qobject_cast<QTextTable*>(child))
                    writeTable(out, table, level + 1);
                else
                    writeFrame(out, child, level);
                continue;
            }
            const QTextBlock block = it.currentBlock();
            if (!block.blockFormat().hasProperty(kTableSeam) && !joinsPrevious(block))
                writeBlock(out, block, level, "\\par\n");
            if (level == 0)
                spill(out, false);
        }
    }

    // A paragraph, from block to its last piece.
    void writeBlock(QByteArray& out, const QTextBlock& block, int level, const char* end)
    {
        const QTextBlock last = lastPiece(block);
        writeParagraphStart(out, paragraphFormat(block, last), level, lists_.paragraphWords(block));
        out += lists_.listText(block);
        writeRuns(out, block, last);
        out += end;
    }

    void writeCell(QByteArray& out, const QTextTableCell& cell, int level)
    {
        const char* cellEnd = level > 1 ? "\\nestcell\n" : "\\cell\n";
        // Gather the cell's items first: the last block ends with the cell mark.
        struct Item {
            QTextBlock block;
            QTextTable* table = nullptr;
        };
        std::vector<Item> items;
        for (auto it = cell.begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame()) {
                if (auto* table = qobject_cast<QTextTable*>(child))
                    items.push_back({{}, table});
            } else if (!it.currentBlock().blockFormat().hasProperty(kTableSeam)
                       && !joinsPrevious(it.currentBlock())) {
                items.push_back({it.currentBlock(), nullptr});
            }
        }
        if (items.empty() || items.back().table) {
            // A cell always ends with a paragraph of its own.
            for (const Item& item : items)
                writeTable(out, item.table, level + 1);
            writeParagraphStart(out, QTextBlockFormat(), level);
            out += cellEnd;
            return;
        }
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].table)
                writeTable(out, items[i].table, level + 1);
            else
                writeBlock(out, items[i].block, level, i + 1 == items.size() ? cellEnd : "\\par\n");
        }
    }

    QByteArray rowDefinition(QTextTable* table, int row)
    {
        const int columns = table->columns();
        const QList<QTextLength> widths = table->format().columnWidthConstraints();
        QByteArray def = "\\trowd\\trgaph108\\trleft0";
        int right = 0;
        for (int c = 0; c < columns; ++c) {
            int width = kPageTextWidthTwips / columns;
            if (c < widths.size()) {
                const QTextLength& length = widths[c];
                if (length.type() == QTextLength::FixedLength)
                    width = toTwips(length.rawValue());
                else if (length.type() == QTextLength::PercentageLength)
                    width = int(kPageTextWidthTwips * length.rawValue() / 100.0);
            }
            right += std::max(width, 1);
            const QTextTableCell cell = table->cellAt(row, c);
            if (cell.column() != c)
                def += "\\clmrg";
            else if (cell.columnSpan() > 1)
                def += "\\clmgf";
            if (cell.row() != row)
                def += "\\clvmrg";
            else if (cell.rowSpan() > 1)
                def += "\\clvmgf";
            def += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                   "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx";
            appendNumber(def, right);
        }
        return def;
    }

    void writeTable(QByteArray& out, QTextTable* table, int level)
    {
        for (int r = 0; r < table->rows(); ++r) {
            const QByteArray def = rowDefinition(table, r);
            if (level == 1) {
                out += def;
                out += '\n';
            }
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() == r && cell.column() == c) {
                    writeCell(out, cell, level);
                } else {
                    // A position covered by a merged cell is an empty cell marked as merged.
                    writeParagraphStart(out, QTextBlockFormat(), level);
                    out += level > 1 ? "\\nestcell\n" : "\\cell\n";
                }
            }
            if (level == 1) {
                out += def;
                out += "\\row\n";
            } else {
                out += "{\\*\\nesttableprops";
                out += def;
                out += "\\nestrow}{\\nonesttables\\par}\n";
            }
        }
    }

    const QTextDocument& document_;
    QString defaultFamily_;
    qreal defaultPoints_ = 12;
    std::map<QString, int> fonts_;
    std::vector<QString> fontList_;
    std::map<QRgb, int> colors_;
    std::vector<QRgb> colorList_;
    RtfListWriter lists_;
    std::set<qint64> writtenFields_;
    const RtfWriter::Sink* sink_ = nullptr;
    bool stopped_ = false;
};

} // namespace

// Text as RTF: printable ASCII as itself, the three special characters escaped, everything else
// as \uN with "?" for readers that know no Unicode (\uc1 is in force).
void appendRtfText(QByteArray& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7F) {
            if (c == u'\\' || c == u'{' || c == u'}')
                out += '\\';
            out += char(c);
            continue;
        }
        switch (c) {
        case u'\t': out += "\\tab "; continue;
        case QChar::LineSeparator: case u'\n': case u'\r': case QChar::ParagraphSeparator:
            out += "\\line ";
            continue;
        case 0x00A0: out += "\\~"; continue;
        case 0x00AD: out += "\\-"; continue;
        case 0x2011: out += "\\_"; continue;
        case QChar::ObjectReplacementCharacter: continue;   // an object with nothing to write
        default: break;
        }
        if (c < 0x20 || c == 0x7F)
            continue;
        // Surrogates are written one by one, so characters beyond the BMP become a pair of \u.
        out += "\\u";
        appendNumber(out, c > 32767 ? int(c) - 65536 : int(c));
        out += '?';
    }
}

QByteArray RtfWriter::write(const QTextDocument& document)
{
    return Writer(document).write();
}

bool RtfWriter::write(const QTextDocument& document, const Sink& sink)
{
    Writer writer(document);
    writer.write(&sink);
    return !writer.stopped();
}

bool RtfWriter::writePlain(const Pieces& text, const QFont& font, const std::optional<QColor>& color,
                           const Sink& sink)
{
    // The writer takes the font as a document gives it back.
    QTextDocument empty;
    empty.setDefaultFont(font);
    return Writer(empty).writePlain(text, color, sink);
}

} // namespace platform::rtf
