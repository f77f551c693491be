// The RTF reader and writer: text, formats, tables, pictures, real files, hostile input, LibreOffice.
#include "MainFixture.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/RichTextBoxParts.h"
#include "platform/RichCopyInSteps.h"
#include "platform/StepsWithProgress.h"
#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QAbstractTextDocumentLayout>
#include <QTextTable>
#include <QUrl>

#include <map>
#include <memory>

using platform::rtf::RtfReader;
using platform::rtf::RtfWriter;

class tst_rtf : public QObject {
    Q_OBJECT

private slots:
    void readsText_data();
    void readsText();
    void readsCharacterFormats_data();
    void readsCharacterFormats();
    void readsParagraphFormats_data();
    void readsParagraphFormats();
    void readsTables_data();
    void readsTables();
    void tablesKeepTheirColumnWidths();
    void cellsOpenWithTheirOwnFormats();
    void refusesWhatIsNotRichText();
    void writesText_data();
    void writesText();
    void writesPlainTextInPiecesAsADocumentOfIt_data();
    void writesPlainTextInPiecesAsADocumentOfIt();
    void writesADocumentInPieces();
    void readsAndWritesLists();
    void keepsPictures_data();
    void keepsPictures();
    void keepsWhatItCannotShow_data();
    void keepsWhatItCannotShow();
    void keptGroupsFollowEdits();
    void tellsWhatCannotBeKept_data();
    void tellsWhatCannotBeKept();
    void readsCorpus_data();
    void readsCorpus();
    void survivesHostileInput_data();
    void survivesHostileInput();
    void exchangesFilesWithLibreOffice();
    void keptGroupsSurviveLibreOffice();
};

namespace {

/// A picture as the reader left it: what it holds and the size it is shown at.
struct ShownPicture {
    platform::rtf::Picture picture;
    QSize size;
    bool operator==(const ShownPicture& o) const
    {
        return picture.keywords == o.picture.keywords && picture.data == o.picture.data && size == o.size;
    }
};

std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf)
{
    auto document = std::make_unique<QTextDocument>();
    RtfReader::read(rtf, *document);
    return document;
}

QString blockText(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        blocks << block.text();
    return blocks.join(u'\n');
}

QString wordsOf(std::initializer_list<std::pair<bool, QString>> words)
{
    QStringList out;
    for (const auto& [applies, word] : words)
        if (applies)
            out << word;
    return out.join(u' ');
}

QString describeFormat(const QTextCharFormat& f)
{
    const QString family = f.fontFamilies().toStringList().value(0);
    return wordsOf({{f.fontWeight() >= QFont::Bold, u"bold"_qs}, {f.fontItalic(), u"italic"_qs},
                    {f.underlineStyle() != QTextCharFormat::NoUnderline, u"ul=%1"_qs.arg(f.underlineStyle())},
                    {f.fontStrikeOut(), u"strike"_qs},
                    {f.verticalAlignment() == QTextCharFormat::AlignSuperScript, u"super"_qs},
                    {f.verticalAlignment() == QTextCharFormat::AlignSubScript, u"sub"_qs},
                    {f.fontCapitalization() == QFont::AllUppercase, u"caps"_qs},
                    {!family.isEmpty(), u"font="_qs + family},
                    {f.fontPointSize() > 0, u"pt="_qs + QString::number(f.fontPointSize())},
                    {f.foreground().style() != Qt::NoBrush, u"fg="_qs + f.foreground().color().name()},
                    {f.background().style() != Qt::NoBrush, u"bg="_qs + f.background().color().name()},
                    {f.isAnchor(), u"href="_qs + f.anchorHref()}});
}

QString describeBlock(const QTextBlockFormat& f)
{
    const Qt::Alignment align = f.alignment() & Qt::AlignHorizontal_Mask;
    return wordsOf({{true, align == Qt::AlignHCenter ? u"center"_qs : align == Qt::AlignRight ? u"right"_qs
                               : align == Qt::AlignJustify ? u"justify"_qs : u"left"_qs},
                    {f.leftMargin() != 0, u"left=%1"_qs.arg(f.leftMargin())},
                    {f.rightMargin() != 0, u"right=%1"_qs.arg(f.rightMargin())},
                    {f.textIndent() != 0, u"first=%1"_qs.arg(f.textIndent())},
                    {f.topMargin() != 0, u"before=%1"_qs.arg(f.topMargin())},
                    {f.bottomMargin() != 0, u"after=%1"_qs.arg(f.bottomMargin())},
                    {f.layoutDirection() == Qt::RightToLeft, u"rtl"_qs}});
}

QList<QTextTable*> topLevelTables(const QTextDocument& document)
{
    QList<QTextTable*> tables;
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame))
            tables << table;
    return tables;
}

QString tableText(QTextTable* table)
{
    QStringList cells;
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c) {
                cells << (cell.row() != r ? u"^"_qs : u"<"_qs);
                continue;
            }
            QStringList blocks;
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (auto* inner = qobject_cast<QTextTable*>(it.currentFrame()))
                    blocks << u"["_qs + tableText(inner) + u"]"_qs;
                else if (!it.currentFrame())
                    blocks << it.currentBlock().text();
            }
            cells << blocks.join(u'\n');
        }
    }
    return u"%1x%2:"_qs.arg(table->rows()).arg(table->columns()) + cells.join(u'|');
}

QString normaliseSpace(QString text)
{
    text.replace(QChar(0xFEFF), u' ');
    text.replace(QChar::Nbsp, u' ');
    text.remove(QChar::ObjectReplacementCharacter);   // pictures, which text leaves out
    return text.simplified();
}

// The text as a reader sees it: each list item after its number or bullet and a tab, as word
// processors give a list's text.
QString shownText(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString marker;
        if (const QTextList* list = block.textList()) {
            const QTextListFormat::Style style = list->format().style();
            marker = style == QTextListFormat::ListDisc     ? u"\u2022"_qs
                     : style == QTextListFormat::ListCircle ? u"\u25e6"_qs
                     : style == QTextListFormat::ListSquare ? u"\u25aa"_qs
                                                            : list->itemText(block);
            marker += u'\t';
        }
        blocks.append(marker + block.text());
    }
    return blocks.join(u'\n').replace(QChar::LineSeparator, u'\n');
}

QList<ShownPicture> picturesIn(const QTextDocument& document)
{
    QList<ShownPicture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            ShownPicture shown;
            if (!platform::rtf::pictureOf(it.fragment().charFormat(), &shown.picture))
                continue;
            const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            shown.size = QSize(int(image.width()), int(image.height()));
            for (int i = 0; i < it.fragment().length(); ++i)
                pictures << shown;
        }
    }
    return pictures;
}

QByteArray redImage(const char* format, QSize size = {40, 20})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

QTextCharFormat runFormat(const QString& family, qreal points)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    format.setFontPointSize(points);
    return format;
}

// The corpus stands beside the project, not in it: a copy of the project elsewhere (a fresh clone
// in a temporary folder) is told where it is by QUIPLE_RTF_CORPUS, or goes without it.
QString corpusDir()
{
    const QString given = qEnvironmentVariable("QUIPLE_RTF_CORPUS");
    return given.isEmpty() ? QStringLiteral(QUIPLE_SOURCE_DIR "/../shared/rtf-corpus") : given;
}

// Files whose text differs from LibreOffice's, by the reason.
const std::map<QString, const char*>& corpusDifferences()
{
    static const char* bullets = "LibreOffice's text gives nested bullets by level (disc, circle, "
                                 "square); we show the bullet the file names";
    static const char* noTable = "a list number with no list table to go by: we show the number "
                                 "the producer wrote, LibreOffice leaves it out";
    static const char* footnotes = "a footnote's reference mark is a marker that carries the footnote; "
                                   "LibreOffice's text writes its number";
    static const char* symbol = "Symbol-font characters become the characters they show; "
                                "LibreOffice keeps the font's private-use codes";
    static const std::map<QString, const char*> differences = {
        {u"pandoc__list_complex"_qs, "lists are numbered from 1 whatever their start number (Qt 6.4 "
                                     "has no start number), and its hollow 'o' bullets show as circles"},
        {u"pandoc__writer"_qs, bullets}, {u"striprtf__issue_63"_qs, noTable},
        {u"pandoc__list_legacy"_qs, "paragraphs numbered the older way (\\pn) name a list the file "
                                    "does not define: we number them as the older way says"},
        {u"pandoc__table_simple"_qs, "cells past the last cell edge: LibreOffice drops them, we keep them"},
        {u"pandoc__table_nested_malformed_itap"_qs, "table nesting that skips levels: LibreOffice shows nothing"},
        {u"libreoffice__cp1000018"_qs, footnotes}, {u"pandoc__footnote"_qs, footnotes},
        {u"rtfpipe__RtfParserTest_5"_qs, symbol}, {u"rtfpipe__Test01"_qs, symbol},
        {u"rtfpipe__rtf2xml_symbol"_qs, symbol}, {u"rtfpipe__rtf2xml_ted_mixed_faces"_qs, symbol},
    };
    return differences;
}

// The pictures of the files' text (not of headers and footers, nor stand-ins for old readers).
const std::map<QString, int> corpusPictures = {
    {u"rtfpipe__phprtflite_images"_qs, 11}, {u"pandoc__image"_qs, 1}, {u"pandoc__writer"_qs, 2},
    {u"rtfpipe__Issue33"_qs, 5}, {u"rtfpipe__Issue37"_qs, 2}, {u"rtfpipe__Issue46"_qs, 1},
    {u"rtfpipe__PictureObjectEmbed2"_qs, 1}, {u"striprtf__BVWGT_20241227_W258_2227269_1_00_01"_qs, 1},
    {u"striprtf__Example_text"_qs, 2},
};

// Runs LibreOffice without a window, with its own profile; false when it did not finish.
bool runSoffice(const QString& profile, const QStringList& arguments)
{
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    soffice.start(u"soffice"_qs, QStringList{u"--headless"_qs,
                                             u"-env:UserInstallation=file://"_qs + profile} +
                                     arguments);
    return soffice.waitForFinished(180000);
}

} // namespace

void tst_rtf::readsText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");   // blocks joined by "\n"; line breaks stay U+2028

    QTest::newRow("plain") << QByteArray(R"({\rtf1\ansi Hello world})") << u"Hello world"_qs;
    QTest::newRow("paragraph, line and tab") << QByteArray(R"({\rtf1 a\par b\line c\tab d})") << u"a\nb\u2028c\td"_qs;
    QTest::newRow("final paragraph mark adds no paragraph") << QByteArray(R"({\rtf1 a\par})") << u"a"_qs;
    QTest::newRow("empty paragraphs are kept") << QByteArray(R"({\rtf1 a\par\par b\par})") << u"a\n\nb"_qs;
    QTest::newRow("line ends in the source are not text") << QByteArray("{\\rtf1 a\r\nb\n}") << u"ab"_qs;
    QTest::newRow("backslash before a line end is a paragraph") << QByteArray("{\\rtf1 a\\\nb}") << u"a\nb"_qs;
    QTest::newRow("escaped braces and backslash") << QByteArray(R"({\rtf1 \{x\} \\ y})") << u"{x} \\ y"_qs;
    QTest::newRow("symbol words")
        << QByteArray(R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\~\emspace\enspace\-\_})")
        << u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u00A0\u2003\u2002\u00AD\u2011"_qs;
    QTest::newRow("page and section breaks") << QByteArray(R"({\rtf1 a\page b\par\page c\sect})") << u"a\nb\nc"_qs;

    QTest::newRow("unicode with fallback") << QByteArray(R"({\rtf1\uc1 caf\u233?s})") << u"cafés"_qs;
    QTest::newRow("negative value") << QByteArray(R"({\rtf1 \u-223?})") << u"\uFF21"_qs;
    QTest::newRow("unsigned value over 32767") << QByteArray(R"({\rtf1 \u65313?})") << u"\uFF21"_qs;
    QTest::newRow("surrogate pair, signed") << QByteArray(R"({\rtf1 \u-10179?\u-8704?})") << u"\U0001F600"_qs;
    QTest::newRow("surrogate pair, unsigned") << QByteArray(R"({\rtf1 \u55357?\u56832?})") << u"\U0001F600"_qs;
    QTest::newRow("lone surrogate is replaced") << QByteArray(R"({\rtf1 \u-10179?x})") << u"\uFFFDx"_qs;
    QTest::newRow("uc2 skips two fallback bytes") << QByteArray(R"({\rtf1\uc2\u21512\'b5\'c4x})") << u"\u5408x"_qs;
    QTest::newRow("uc0 skips nothing") << QByteArray(R"({\rtf1\uc0\u233 x})") << u"éx"_qs;
    QTest::newRow("uc belongs to its group") << QByteArray(R"({\rtf1{\uc2\u233 ab}\u233 cd})") << u"ééd"_qs;
    QTest::newRow("a brace ends the fallback") << QByteArray(R"({\rtf1\uc3\u233{x}y})") << u"éxy"_qs;
    QTest::newRow("hex fallback counts as one") << QByteArray(R"({\rtf1\u233\'e9x})") << u"éx"_qs;
    QTest::newRow("control characters are dropped") << QByteArray(R"({\rtf1 a\u7?\'00\'0ab})") << u"ab"_qs;

    QTest::newRow("hex in code page") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})") << u"При"_qs;
    QTest::newRow("hex in font charset")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset238 Arial CE;}}\f1 \'b9\f0 \'b9})")
        << u"ą¹"_qs;
    QTest::newRow("raw 8-bit text") << QByteArray("{\\rtf1\\ansi caf\xe9}") << u"café"_qs;
    QTest::newRow("Symbol font")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset2 Symbol;}}\f1 abg\'b7\u-3976?})")
        << u"αβγ•ξ"_qs;
    QTest::newRow("other symbol fonts")
        << QByteArray(R"({\rtf1{\fonttbl{\f1\fcharset2 Wingdings;}}\f1 J})") << u"\uF04A"_qs;

    QTest::newRow("destinations that hold no text")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;}{\stylesheet{\s1 Heading;}})"
                      R"({\info{\title T}{\author A}}{\*\generator G;}{\*\unknown U{\nested N}}{\header H}{\footer F})"
                      R"({\nonshppict{\pict\wmetafile8 0102}}{\object{\*\objdata 01}{\result R}}{\*\bkmkstart b}Body})")
        << u"R\uFFFCBody"_qs;   // an object shows as its result; a bookmark as a marker
    QTest::newRow("binary data is passed over") << QByteArray(R"({\rtf1 a{\*\data\bin5 }{\}x}b})") << u"ab"_qs;
    QTest::newRow("footnote marks only")
        << QByteArray(R"({\rtf1 word\chftn{\footnote\pard {\chftn} note}. more\chftn{\footnote x}})")
        << u"word\uFFFC. more\uFFFC"_qs;   // markers that carry the mark and the footnote
    QTest::newRow("field result")
        << QByteArray(R"({\rtf1 page {\field{\*\fldinst{ PAGE }}{\fldrslt 3}} of 4})") << u"page 3 of 4"_qs;
    QTest::newRow("SYMBOL field")
        << QByteArray(R"x({\rtf1 ({\field{\*\fldinst SYMBOL 74 \\f "Wingdings" \\s 12}{\fldrslt }})})x")
        << u"(J)"_qs;
    QTest::newRow("list numbers of a list the file does not define are text")
        << QByteArray(R"({\rtf1{\listtext 1.\tab}\ls1 Item\par})") << u"1.\tItem"_qs;
    QTest::newRow("hidden text is kept") << QByteArray(R"({\rtf1 a{\v b}c})") << u"abc"_qs;
    QTest::newRow("data after the document is ignored") << QByteArray(R"({\rtf1 a}tail{\rtf1 more})") << u"a"_qs;
    QTest::newRow("missing closing brace keeps what was read") << QByteArray(R"({\rtf1 a\par b)") << u"a\nb"_qs;
    QTest::newRow("leading white space and byte-order mark") << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 a}") << u"a"_qs;

    const struct {
        int codePage, charset;   // and the \fcharset that stands for the code page, 0 when none does
        const char* bytes;
        const char16_t* text;
    } pages[] = {
        {1250, 238, R"(\'9a)", u"š"},       {1251, 204, R"(\'e4)", u"д"},
        {1252, 0, R"(\'80)", u"€"},         {1253, 161, R"(\'e1)", u"α"},
        {1254, 162, R"(\'fd)", u"ı"},       {1255, 177, R"(\'e0)", u"א"},
        {1256, 178, R"(\'c7)", u"ا"},       {1257, 186, R"(\'e0)", u"ą"},
        {1258, 163, R"(\'c3)", u"Ă"},       {874, 222, R"(\'a1)", u"ก"},
        {932, 128, R"(\'82\'a0)", u"あ"},   {936, 134, R"(\'c4\'e3)", u"你"},
        {949, 129, R"(\'b0\'a1)", u"가"},   {950, 136, R"(\'a4\'a4)", u"中"},
        {437, 254, R"(\'82)", u"é"},        {850, 255, R"(\'9b)", u"ø"},
        {10000, 77, R"(\'8e)", u"é"},       {10001, 78, R"(\'82\'a0)", u"あ"},
    };
    for (const auto& [codePage, charset, bytes, text] : pages) {
        QTest::addRow("ansicpg%d", codePage) << "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(codePage) + ' ' + bytes + '}'
                                             << QString::fromUtf16(text);
        if (charset)
            QTest::addRow("fcharset%d", charset)
                << "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset" + QByteArray::number(charset) + " F;}}\\f0 " + bytes + '}'
                << QString::fromUtf16(text);
    }
    QTest::newRow("mac") << QByteArray(R"({\rtf1\mac \'8e})") << u"é"_qs;
    QTest::newRow("pc") << QByteArray(R"({\rtf1\pc \'82})") << u"é"_qs;
    QTest::newRow("pca") << QByteArray(R"({\rtf1\pca \'9b})") << u"ø"_qs;
    QTest::newRow("double-byte pairs across groups")
        << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82\'a0{\b \'82\'a2}})") << u"あい"_qs;
    QTest::newRow("unknown code page is 1252") << QByteArray(R"({\rtf1\ansi\ansicpg99999 \'e9})") << u"é"_qs;
}

void tst_rtf::readsText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(blockText(*readRtf(rtf)), text);
}

void tst_rtf::readsCharacterFormats_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("format");   // of the character "X", as describeFormat() gives it

    QTest::newRow("default is 12 points") << QByteArray(R"({\rtf1 X})") << u"pt=12"_qs;
    QTest::newRow("bold") << QByteArray(R"({\rtf1 a{\b X}})") << u"bold pt=12"_qs;
    QTest::newRow("italic") << QByteArray(R"({\rtf1{\i X}})") << u"italic pt=12"_qs;
    QTest::newRow("underline") << QByteArray(R"({\rtf1{\ul X}})") << u"ul=1 pt=12"_qs;
    QTest::newRow("dotted underline") << QByteArray(R"({\rtf1{\uld X}})") << u"ul=3 pt=12"_qs;
    QTest::newRow("wave underline") << QByteArray(R"({\rtf1{\ulwave X}})") << u"ul=6 pt=12"_qs;
    QTest::newRow("strike") << QByteArray(R"({\rtf1{\strike X}})") << u"strike pt=12"_qs;
    QTest::newRow("superscript") << QByteArray(R"({\rtf1{\super X}})") << u"super pt=12"_qs;
    QTest::newRow("subscript") << QByteArray(R"({\rtf1{\sub X}})") << u"sub pt=12"_qs;
    QTest::newRow("font and size")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\froman Times New Roman;}}\f0 a{\f1\fs37 X}})")
        << u"font=Times New Roman pt=18.5"_qs;
    QTest::newRow("default font") << QByteArray(R"({\rtf1\deff1{\fonttbl{\f0 Arial;}{\f1 Courier New;}} X})")
        << u"font=Courier New pt=12"_qs;
    QTest::newRow("font table, no groups")
        << QByteArray(R"({\rtf1{\fonttbl\f0\fswiss Helvetica;\f1\fmodern Courier;}\f1 X})")
        << u"font=Courier pt=12"_qs;
    QTest::newRow("font name in charset")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9{\*\falt MS Mincho};}}\f0 X})")
        << u"font=ＭＳ 明朝 pt=12"_qs;
    QTest::newRow("upr") << QByteArray(R"({\rtf1{\upr{\fonttbl{\f0 Ansi;}}{\*\ud{\fonttbl{\f0 Uni;}}}}\f0 X})")
        << u"font=Uni pt=12"_qs;
    const QByteArray colours = R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})";
    QTest::newRow("colour and highlight")
        << "{\\rtf1" + colours + R"({\cf1\highlight2 X}})" << u"pt=12 fg=#ff0000 bg=#0000ff"_qs;
    QTest::newRow("colour 0 is automatic") << "{\\rtf1" + colours + R"({\cf0 X}})" << u"pt=12"_qs;
    QTest::newRow("plain resets") << QByteArray(R"({\rtf1\b\i\ul\strike\fs40 a\plain X})") << u"pt=12"_qs;
    QTest::newRow("group end restores") << QByteArray(R"({\rtf1\b{\b0\i a}X})") << u"bold pt=12"_qs;
    QTest::newRow("after a run of every format")
        << QByteArray(R"({\rtf1{\colortbl;\red1\green2\blue3;}{\b\i\ulwave\strike\super\caps\f1\fs8\cf1\highlight1 a}X})")
        << u"pt=12"_qs;
    QTest::newRow("link")
        << QByteArray(R"({\rtf1 Go {\field{\*\fldinst{HYPERLINK "https://example.org/a?b=1"}}{\fldrslt{\ul X}}}})")
        << u"ul=1 pt=12 href=https://example.org/a?b=1"_qs;
    QTest::newRow("bookmark link")
        << QByteArray(R"({\rtf1 {\field{\*\fldinst HYPERLINK \\l "sec"}{\fldrslt X}}})") << u"pt=12 href=#sec"_qs;
    QTest::newRow("after a link")
        << QByteArray(R"({\rtf1 {\field{\*\fldinst HYPERLINK "u"}{\fldrslt a}}X})") << u"pt=12"_qs;
}

void tst_rtf::readsCharacterFormats()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, format);
    const auto document = readRtf(rtf);
    const QTextCursor found = document->find(u"X"_qs);
    QVERIFY(!found.isNull());
    QCOMPARE(describeFormat(found.charFormat()), format);
    // Saved (default font where none was named) and read: the same; saved again: the same bytes.
    const QByteArray saved = RtfWriter::write(*document);
    const auto reread = readRtf(saved);
    QTextCharFormat expected = found.charFormat();
    if (expected.fontFamilies().toStringList().isEmpty())
        expected.setFontFamilies(reread->find(u"X"_qs).charFormat().fontFamilies().toStringList());
    QCOMPARE(describeFormat(reread->find(u"X"_qs).charFormat()), describeFormat(expected));
    QCOMPARE(RtfWriter::write(*reread), saved);
}

void tst_rtf::readsParagraphFormats_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("formats");   // of each block

    QTest::newRow("alignments") << QByteArray(R"({\rtf1\ql a\par\qc b\par\qr c\par\qj d\par})")
        << QStringList{u"left"_qs, u"center"_qs, u"right"_qs, u"justify"_qs};
    QTest::newRow("pard resets")
        << QByteArray(R"({\rtf1\qc\li720 a\par\pard b})") << QStringList{u"center left=48"_qs, u"left"_qs};
    QTest::newRow("indents and spacing in twips") << QByteArray(R"({\rtf1\li720\ri360\fi-240\sb120\sa240 a})")
        << QStringList{u"left left=48 right=24 first=-16 before=8 after=16"_qs};
    QTest::newRow("format at the mark")
        << QByteArray(R"({\rtf1 a\qr\par b})") << QStringList{u"right"_qs, u"right"_qs};
    QTest::newRow("right to left") << QByteArray(R"({\rtf1\rtlpar\qr a})") << QStringList{u"right rtl"_qs};
}

void tst_rtf::readsParagraphFormats()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, formats);
    const auto read = readRtf(rtf), saved = readRtf(RtfWriter::write(*read));
    for (const QTextDocument* document : {read.get(), saved.get()}) {
        QStringList actual;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            actual << describeBlock(block.blockFormat());
        QCOMPARE(actual, formats);
    }
}

void tst_rtf::readsTables_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("tables");   // each top-level table as tableText() gives it, "; " between
    QTest::addColumn<QString>("after");    // the last paragraph, after the table

    QTest::newRow("two by two")
        << QByteArray(R"({\rtf1 before\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\pard\intbl c\cell d\cell\row\pard after\par})")
        << u"2x2:a|b|c|d"_qs << u"after"_qs;
    QTest::newRow("row definition after")
        << QByteArray(R"({\rtf1\pard\intbl a\cell b\cell\trowd\cellx1000\cellx2000\row\pard after})")
        << u"1x2:a|b"_qs << u"after"_qs;
    QTest::newRow("short rows") << QByteArray(R"({\rtf1\intbl a\cell b\cell c\cell\row\intbl d\cell e\cell\row})")
        << u"2x3:a|b|c|d|e|"_qs << QString();
    QTest::newRow("more cells than edges")
        << QByteArray(R"({\rtf1\trowd\cellx5000\intbl a\cell b\cell c\cell\row})") << u"1x3:a|b|c"_qs << QString();
    QTest::newRow("cell paragraphs")
        << QByteArray(R"({\rtf1\intbl x\par y\cell z\cell\row})") << u"1x2:x\ny|z"_qs << QString();
    QTest::newRow("no intbl")
        << QByteArray(R"({\rtf1\trowd\cellx1000 a\cell\row after})") << u"1x1:a"_qs << u"after"_qs;
    QTest::newRow("no last row mark") << QByteArray(R"({\rtf1\intbl a\cell b\cell})") << u"1x2:a|b"_qs << QString();
    QTest::newRow("list number in a cell")
        << QByteArray(R"({\rtf1\intbl{\listtext\pard\plain 1.\tab}a\cell\row})") << u"1x1:1.\ta"_qs << QString();
    QTest::newRow("nested")
        << QByteArray(R"({\rtf1\pard\intbl\itap1 outer\cell\pard\intbl\itap2 in1\nestcell in2\nestcell)"
                      R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par})"
                      R"(\pard\intbl\itap1 tail\cell\trowd\cellx3000\cellx6000\row\pard after})")
        << u"1x2:outer|\n[1x2:in1|in2]\ntail"_qs << u"after"_qs;
    QTest::newRow("merged across and down")
        << QByteArray(R"({\rtf1\trowd\clmgf\cellx1000\clmrg\cellx2000\clvmgf\cellx3000)"
                      R"(\pard\intbl across\cell\cell down\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\clvmrg\cellx3000\pard\intbl c\cell d\cell\cell\row})")
        << u"2x3:across|<|down|c|d|^"_qs << QString();
    QByteArray wide = "{\\rtf1\\intbl ";
    QStringList cells;
    for (int i = 0; i < 200; ++i) {
        wide += "c" + QByteArray::number(i) + "\\cell ";
        cells << u"c%1"_qs.arg(i);
    }
    // Too wide to show as a table: each cell a paragraph.
    QTest::newRow("200 cells") << wide + "\\row}" << QString() << cells.join(u'\n');
}

void tst_rtf::readsTables()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, tables);
    QFETCH(QString, after);
    const auto document = readRtf(rtf);
    const auto tablesOf = [](const QTextDocument& d) {
        QStringList shown;
        for (QTextTable* table : topLevelTables(d))
            shown << tableText(table);
        return shown.join(u"; "_qs);
    };
    QCOMPARE(tablesOf(*document), tables);
    QCOMPARE(tablesOf(*readRtf(RtfWriter::write(*document))), tables);   // saved and read again
    const QList<QTextTable*> found = topLevelTables(*document);
    QTextCursor rest(document.get());
    if (!found.isEmpty())
        rest.setPosition(found.last()->lastPosition() + 1);
    rest.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    QCOMPARE(rest.selectedText().replace(QChar::ParagraphSeparator, u'\n'), after);
}

void tst_rtf::tablesKeepTheirColumnWidths()
{
    const auto widthsOf = [](const QTextDocument& d) {
        QStringList widths;
        for (const QTextLength& l : topLevelTables(d).value(0)->format().columnWidthConstraints())
            widths << (l.type() == QTextLength::PercentageLength ? u"%1%"_qs : u"%1px"_qs).arg(l.rawValue(), 0, 'f', 1);
        return widths.join(u' ');
    };
    // As word processors write a table: the first column starts at the row's left edge, a little
    // left of the margin.
    const auto word = readRtf(R"({\rtf1\trowd\trgaph108\trleft-108\cellx2292\cellx9492\intbl Plot\cell )"
                              R"(A long description\cell\row})");
    QCOMPARE(widthsOf(*word), u"160.0px 480.0px"_qs);
    const QTextTableFormat format = topLevelTables(*word).value(0)->format();
    QCOMPARE(format.leftMargin(), 0.0);
    QCOMPARE(widthsOf(*readRtf(RtfWriter::write(*word))), u"160.0px 480.0px"_qs);

    // An indented table stands where its row says.
    const auto indented = readRtf(R"({\rtf1\trowd\trleft1440\cellx3000\cellx6000\intbl a\cell b\cell\row})");
    QCOMPARE(widthsOf(*indented), u"104.0px 200.0px"_qs);
    QCOMPARE(topLevelTables(*indented).value(0)->format().leftMargin(), 96.0);

    // A long report is shown as tables of twenty rows or so, each laid out on its own, joined by
    // seams of a hairline; written, the rows are one table again.
    QByteArray rows;
    for (int r = 0; r < 230; ++r)
        rows += "\\trowd\\cellx2000\\cellx4000\\intbl r" + QByteArray::number(r) + "\\cell x\\cell\\row\n";
    const auto report = readRtf("{\\rtf1 " + rows + "\\pard after}");
    const QList<QTextTable*> parts = topLevelTables(*report);
    QVERIFY(parts.size() > 2);
    int shownRows = 0;
    for (QTextTable* part : parts) {
        shownRows += part->rows();
        QCOMPARE(part->format().columnWidthConstraints().size(), 2);
    }
    QCOMPARE(shownRows, 230);
    QCOMPARE(parts[1]->cellAt(0, 0).firstCursorPosition().block().text(), u"r%1"_qs.arg(parts[0]->rows()));
    const QTextBlock seam = report->findBlock(parts[0]->lastPosition() + 1);
    QVERIFY(seam.text().isEmpty());
    QVERIFY(report->documentLayout()->blockBoundingRect(seam).height() <= 2.0);   // a hairline
    const QByteArray written = RtfWriter::write(*report);
    QCOMPARE(written.count("\\row"), 230);
    // No paragraph between the rows: as many as the file of a one-row table has.
    QCOMPARE(written.count("\\par\n"),
             RtfWriter::write(*readRtf(R"({\rtf1\trowd\cellx2000\intbl a\cell\row\pard after})")).count("\\par\n"));
    QCOMPARE(blockText(*readRtf(written)), blockText(*report));

    // Widths in units wider than any page are proportions: the table fills the window.
    const auto relative = readRtf(R"({\rtf1\trowd\cellx16384\cellx65536\intbl a\cell b\cell\row})");
    QCOMPARE(widthsOf(*relative), u"25.0% 75.0%"_qs);
    QCOMPARE(topLevelTables(*relative).value(0)->format().width().rawValue(), 100.0);
}

void tst_rtf::cellsOpenWithTheirOwnFormats()
{
    // What each cell's first paragraph shows: its alignment, and the font an empty line or the
    // first key typed there takes.
    const auto openings = [](const QTextDocument& d) {
        QStringList shown;
        for (QTextTable* table : topLevelTables(d)) {
            for (int r = 0; r < table->rows(); ++r) {
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextBlock block = table->cellAt(r, c).firstCursorPosition().block();
                    const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
                    const QTextCharFormat font = block.charFormat();
                    shown << u"%1 %2%3 %4pt"_qs.arg(block.text(),
                                                     align == Qt::AlignHCenter ? u"centre"_qs
                                                     : align == Qt::AlignRight ? u"right"_qs
                                                                               : u"left"_qs,
                                                     font.fontWeight() == QFont::Bold ? u" bold"_qs : QString())
                                 .arg(font.fontPointSize());
                }
            }
        }
        return shown.join(u", "_qs);
    };
    // Every cell alike, as a report's are.
    QByteArray report = "{\\rtf1 ";
    for (int r = 0; r < 2; ++r)
        report += "\\trowd\\cellx2000\\cellx4000\\pard\\intbl\\qc{\\b\\fs20 r" + QByteArray::number(r)
                  + "a}\\cell\\pard\\intbl\\qc{\\b\\fs20 r" + QByteArray::number(r) + "b}\\cell\\row\n";
    QCOMPARE(openings(*readRtf(report + "}")),
             u"r0a centre bold 10pt, r0b centre bold 10pt, r1a centre bold 10pt, r1b centre bold 10pt"_qs);
    // One cell unlike the others, in its paragraph or in its font.
    const auto aligned = readRtf(
        R"({\rtf1\trowd\cellx2000\cellx4000\pard\intbl\qc{\fs20 a}\cell\pard\intbl\qr{\fs20 b}\cell\row})");
    QCOMPARE(openings(*aligned), u"a centre 10pt, b right 10pt"_qs);
    const auto fonts = readRtf(
        R"({\rtf1\trowd\cellx2000\cellx4000\pard\intbl\qc{\fs20 c}\cell\pard\intbl\qc{\b\fs28 d}\cell\row})");
    QCOMPARE(openings(*fonts), u"c centre 10pt, d centre bold 14pt"_qs);
    // A cell a short row leaves empty takes nothing from its neighbours.
    const auto shortRow = readRtf(
        R"({\rtf1\trowd\cellx2000\cellx4000\pard\intbl\qc{\b\fs20 a}\cell\pard\intbl\qc{\b\fs20 b}\cell\row)"
        R"(\trowd\cellx2000\pard\intbl\qc{\b\fs20 c}\cell\row})");
    QCOMPARE(openings(*shortRow).section(u", "_qs, 0, 2),
             u"a centre bold 10pt, b centre bold 10pt, c centre bold 10pt"_qs);
    QVERIFY(!openings(*shortRow).section(u", "_qs, 3).contains(u"centre"_qs));
}

void tst_rtf::refusesWhatIsNotRichText()
{
    for (const char* head : {"{\\rtf1\\ansi", "{\\rtf"})
        QVERIFY2(RtfReader::looksLikeRtf(head), head);
    for (const char* head : {"", "hello", "{\\pard x}", "<html>{\\rtf1"})
        QVERIFY2(!RtfReader::looksLikeRtf(head), head);
    QTextDocument document;
    document.setPlainText(u"old"_qs);
    QString warning;
    QVERIFY(!RtfReader::read("just text", document, &warning));
    QVERIFY(warning.contains(u"not rich text"_qs));
    QVERIFY(document.isEmpty());
    QVERIFY(RtfReader::read("{\\rtf1 cut short", document, &warning));
    QCOMPARE(document.toPlainText(), u"cut short"_qs);
    QVERIFY(warning.contains(u"ends early"_qs));
    QVERIFY(RtfReader::read("{\\rtf1 whole}", document, &warning));
    QVERIFY(warning.isEmpty());
    QVERIFY(document.isUndoRedoEnabled() && !document.isModified());
}

void tst_rtf::writesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("ascii as itself") << u"Plain text 123 ~!"_qs << QByteArray(" Plain text 123 ~!");
    QTest::newRow("special characters escaped") << u"a{b}c\\"_qs << QByteArray("a\\{b\\}c\\\\");
    QTest::newRow("latin letter as unicode") << u"é"_qs << QByteArray("\\u233?");
    QTest::newRow("values over 32767 are negative") << u"\uFF21"_qs << QByteArray("\\u-223?");
    QTest::newRow("beyond the BMP as two surrogates") << u"\U0001F600"_qs << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("tab") << u"a\tb"_qs << QByteArray("a\\tab b");
    QTest::newRow("line break") << u"a\u2028b"_qs << QByteArray("a\\line b");
    QTest::newRow("no-break space") << u"a\u00A0b"_qs << QByteArray("a\\~b");
}

void tst_rtf::writesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QTextDocument document;
    QTextCursor(&document).insertText(text, runFormat(u"Sans"_qs, 12));
    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QVERIFY2(rtf.contains(written), rtf.constData());
    for (char c : rtf)
        QVERIFY2((c >= 0x20 && c < 0x7F) || c == '\n', "RTF must be 7-bit text");
    QCOMPARE(blockText(*readRtf(rtf)), text);
}

void tst_rtf::writesPlainTextInPiecesAsADocumentOfIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("lines, an empty one among them") << u"first\nsecond\n\nlast"_qs;
    QTest::newRow("ends with a break") << u"one\n"_qs;
    QTest::newRow("characters RTF escapes") << u"{a}\\b\tc\u00A0d\u00AD\u2011e\u2028f"_qs;
    QTest::newRow("beyond ascii") << u"\u00E9 \uFF21 \U0001F600 \u0627"_qs;
    QTest::newRow("control and object characters") << u"a\u0001b\u007Fc\uFFFCd\n\uFFFC"_qs;
    QTest::newRow("paragraph separator") << u"a\u2029b"_qs;
    QString lines, line;
    while (lines.size() < 3 * 1024 * 1024)
        lines += u"A line of a program {with braces} \u00E9\n"_qs;
    while (line.size() < 3 * 1024 * 1024)
        line += u"one line that never ends \\ "_qs;
    QTest::newRow("megabytes of lines") << lines;
    QTest::newRow("megabytes on one line") << line;
}

void tst_rtf::writesPlainTextInPiecesAsADocumentOfIt()
{
    // What a user sees saving a small plain document as RTF, written out by hand.
    {
        QByteArray out;
        QVERIFY(RtfWriter::writePlain([](const auto& sink) { sink(u"a{b}\n\tc"); }, QFont(u"Arial"_qs, 10),
                                      std::nullopt, [&](QByteArrayView piece) { out += piece; return true; }));
        QCOMPARE(out, QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\n"
                                 "{\\colortbl;}\n{\\*\\generator Quiple;}\\viewkind4\n"
                                 "\\pard\\plain\\ql {\\f0\\fs20 a\\{b\\}}\\par\n"
                                 "\\pard\\plain\\ql {\\f0\\fs20 \\tab c}\\par\n}\n"));
    }
    // Any text, handed over in pieces that split its breaks and characters, comes out as the
    // document of it would, in every font and colour, and in more than one piece when it is big.
    QFETCH(QString, text);
    QFont pixels(u"DejaVu Sans"_qs);
    pixels.setPixelSize(15);
    const std::pair<QFont, std::optional<QColor>> looks[] = {
        {QFont(u"Liberation Mono"_qs, 11), std::nullopt}, {pixels, QColor(200, 10, 30)}};
    for (const auto& [font, color] : looks) {
        const QByteArray whole = RtfWriter::write(*platform::richFromText(text, font, color));
        QByteArray joined;
        int pieces = 0;
        const bool written = RtfWriter::writePlain(
            [&](const auto& sink) {
                for (qsizetype at = 0; at < text.size(); at += 7)
                    if (!sink(QStringView(text).mid(at, 7)))
                        return;
            },
            font, color, [&](QByteArrayView piece) { joined += piece; ++pieces; return true; });
        QVERIFY(written);
        QCOMPARE(joined.size(), whole.size());
        QVERIFY(joined == whole);
        QCOMPARE(pieces > 1, text.size() > 1024 * 1024);
    }
}

void tst_rtf::writesADocumentInPieces()
{
    // A formatted document of some megabytes, with a table and a list among its paragraphs.
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;\\f1 Courier;}{\\colortbl;\\red255\\green0\\blue0;}\\f0 ";
    for (int i = 0; i < 20000; ++i)
        rtf += "Plain \\b bold\\b0  {\\f1\\cf1 red code} {\\i slanted}.\\par\n";
    rtf += "\\trowd\\cellx2000\\cellx4000 left\\cell right\\cell\\row\\pard ";
    rtf += "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1}first\\par after\\par}";
    const std::unique_ptr<QTextDocument> document = readRtf(rtf);
    const QByteArray whole = RtfWriter::write(*document);
    QByteArray joined;
    int pieces = 0;
    QVERIFY(RtfWriter::write(*document, [&](QByteArrayView piece) { joined += piece; ++pieces; return true; }));
    QVERIFY(pieces > 1);
    QCOMPARE(joined.size(), whole.size());
    QVERIFY(joined == whole);
    const std::unique_ptr<QTextDocument> back = readRtf(joined);
    QCOMPARE(back->blockCount(), document->blockCount());
    QVERIFY(blockText(*back).startsWith(u"Plain bold red code slanted.\nPlain bold"_qs));
    QCOMPARE(blockText(*back), blockText(*document));
    // A sink that says stop hears no more.
    int calls = 0;
    QVERIFY(!RtfWriter::write(*document, [&](QByteArrayView) { ++calls; return false; }));
    QCOMPARE(calls, 1);
    calls = 0;
    QVERIFY(!RtfWriter::writePlain([&](const auto& sink) { sink(QString(3 << 20, u'x')); sink(u"more"); },
                                   QFont(), std::nullopt, [&](QByteArrayView) { ++calls; return false; }));
    QCOMPARE(calls, 1);
}

void tst_rtf::keepsPictures_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("data");    // the picture's bytes
    QTest::addColumn<QSize>("size");         // shown at, in pixels (15 twips each)
    QTest::addColumn<bool>("drawn");         // the image itself, not a grey box

    const QByteArray png = redImage("PNG", {40, 20});
    const QByteArray jpeg = redImage("JPEG", {40, 20});
    const QByteArray metafile("\x01\x00\x09\x00\x00\x03\xff\x7b\x00\x00", 10);
    auto picture = [](const QByteArray& words, const QByteArray& hex) {
        return "{\\rtf1\\ansi before {\\pict" + words + ' ' + hex + "} after\\par}";
    };
    QTest::newRow("png at its goal size")
        << picture("\\pngblip\\picw40\\pich20\\picwgoal1500\\pichgoal750", png.toHex()) << png
        << QSize(100, 50) << true;
    QTest::newRow("jpeg scaled") << picture("\\jpegblip\\picwgoal3000\\pichgoal1500\\picscalex50\\picscaley200",
                   jpeg.toHex().toUpper())
        << jpeg << QSize(100, 200) << true;
    QTest::newRow("png, no sizes") << picture("\\pngblip", png.toHex()) << png << QSize(40, 20) << true;
    // Blue but for its right quarter: cropped to that quarter, the picture shows red only.
    QImage blueRed(40, 20, QImage::Format_RGB32);
    blueRed.fill(QColor(255, 0, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            blueRed.setPixelColor(x, y, Qt::blue);
    QBuffer blueRedPng;
    blueRedPng.open(QIODevice::WriteOnly);
    blueRed.save(&blueRedPng, "PNG");
    QTest::newRow("png cropped")
        << picture("\\pngblip\\picwgoal1500\\pichgoal750\\piccropl1125\\piccropb375", blueRedPng.data().toHex())
        << blueRedPng.data() << QSize(25, 25) << true;
    const QByteArray dib = redImage("BMP").mid(14); // a BMP file without its file header
    QTest::newRow("device-independent bitmap")
        << picture("\\dibitmap0\\picw40\\pich20\\picwgoal600\\pichgoal300", dib.toHex()) << dib
        << QSize(40, 20) << true;
    QTest::newRow("png as binary data")
        << picture("\\pngblip\\picwgoal600\\pichgoal300\\bin" + QByteArray::number(png.size()), png)
        << png << QSize(40, 20) << true;
    QTest::newRow("metafile box") << picture("\\wmetafile8\\picw2540\\pich1270", metafile.toHex()) << metafile
        << QSize(96, 48) << false;
    QTest::newRow("damaged png")
        << picture("\\pngblip\\picwgoal300\\pichgoal300", "89504e470d0a") << QByteArray("\x89PNG\r\n")
        << QSize(20, 20) << false;
    QTest::newRow("picture that stands for an object")
        << "{\\rtf1 before {\\object\\objemb\\objw150{\\*\\objclass Paint}{\\*\\objdata 01050000}"
           "{\\result{\\pict\\dibitmap0\\picw10\\pich5\\picwgoal150\\pichgoal75 " + metafile.toHex()
           + "}}} after}"
        << metafile << QSize(10, 5) << false;
}

void tst_rtf::keepsPictures()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    QFETCH(bool, drawn);
    QTextDocument document;
    QVERIFY(RtfReader::read(rtf, document));
    const QList<ShownPicture> pictures = picturesIn(document);
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures[0].picture.data, data);
    QCOMPARE(pictures[0].size, size);
    QCOMPARE(normaliseSpace(document.toPlainText()), u"before after"_qs);

    // What the view draws: the red image, or a grey box.
    QTextCursor at = document.find(QString(QChar::ObjectReplacementCharacter));
    const QString name = at.charFormat().toImageFormat().name();
    const QImage image = document.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    QVERIFY(!image.isNull());
    const QColor pixel = image.pixelColor(image.width() / 2, image.height() / 2);
    QCOMPARE(pixel.red() > 200 && pixel.green() < 60, drawn);

    // Saved and read again, the picture is the same, and so is what is saved next.
    const QByteArray written = RtfWriter::write(document);
    const auto reread = readRtf(written);
    QCOMPARE(picturesIn(*reread), pictures);
    QCOMPARE(RtfWriter::write(*reread), written);

    // Copied with the text around it, the picture leaves nothing on the clipboard.
    if (QByteArray(QTest::currentDataTag()) == "png at its goal size") {
        MainFixture f;
        writeFile(f.path("picture.rtf"), rtf);
        f.main->OpenFiles({f.path("picture.rtf")}, "test");
        f.editor()->setSelStart(0);
        f.editor()->setSelLength(f.editor()->TextLength());
        f.trigger("mnuEditCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before  after"_qs);
    }

    // Text typed just after the picture is text.
    at.clearSelection();
    at.insertText(u"typed"_qs);
    const auto typed = readRtf(RtfWriter::write(document));
    QCOMPARE(picturesIn(*typed).size(), 1);
    QVERIFY(typed->toPlainText().contains(QString(QChar::ObjectReplacementCharacter) + u"typed"_qs));
}

void tst_rtf::readsAndWritesLists()
{
    // A bulleted list with a numbered level inside it, as word processors write it: the marker
    // text for older readers comes first, then the paragraph names its list and level.
    const QByteArray rtf = R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc23{\leveltext\'01\u8226 ?;}\fi-360\li720})"
                           R"({\listlevel\levelnfc4\levelstartat1{\leveltext\leveltemplateid-1898031884\'02\'01);})"
                           R"({\levelnumbers\'01;}\fi-360\li1440}\listid7}})"
                           R"({\*\listoverridetable{\listoverride\listid7\listoverridecount0\ls1}})"
                           R"(\pard Intro\par)"
                           R"({\listtext\pard\plain \u8226 ?\tab}\pard\ls1\ilvl0\li720\fi-360 Apples\par)"
                           R"({\listtext\pard\plain a)\tab}\pard\ls1\ilvl1\li1440\fi-360 Red\par)"
                           R"({\listtext\pard\plain b)\tab}\pard\ls1\ilvl1\li1440\fi-360 Green\par)"
                           R"({\listtext\pard\plain \u8226 ?\tab}\pard\ls1\ilvl0\li720\fi-360 Pears\par)"
                           R"({\listtext\pard\plain a)\tab}\pard\ls1\ilvl1\li1440\fi-360 Nashi\par)"
                           R"(\pard After})";
    const QString shown = u"Intro\n\u2022\tApples\na)\tRed\nb)\tGreen\n\u2022\tPears\na)\tNashi\nAfter"_qs;
    const auto document = readRtf(rtf);
    QCOMPARE(shownText(*document), shown);   // the letters start again under each bullet
    QCOMPARE(blockText(*document), u"Intro\nApples\nRed\nGreen\nPears\nNashi\nAfter"_qs);
    const QTextBlock red = document->findBlockByNumber(2);
    QCOMPARE(red.blockFormat().leftMargin(), 1440 / 15.0);   // the text where the file puts it
    QCOMPARE(red.blockFormat().textIndent(), 0.0);           // the marker in the hanging part

    // Written, the lists are a list table with each item's marker as text for older readers,
    // and they read back the same.
    const QByteArray written = RtfWriter::write(*document);
    QVERIFY(written.contains("{\\*\\listtable"));
    QVERIFY(written.contains("{\\listtext\\pard\\plain b)\\tab}"));
    QCOMPARE(shownText(*readRtf(written)), shown);

    // A paragraph typed after an item continues the list, and the items after it count on.
    QTextCursor cursor(document->findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(u"\nBlue"_qs);
    QCOMPARE(shownText(*readRtf(RtfWriter::write(*document))),
             u"Intro\n\u2022\tApples\na)\tRed\nb)\tBlue\nc)\tGreen\n\u2022\tPears\na)\tNashi\nAfter"_qs);

    // The older way numbers each paragraph in a group of its own; paragraphs numbered alike one
    // after the other are one list.
    const auto older = readRtf(R"({\rtf1{\pntext I.\tab}{\*\pn\pnlvlbody\pnucrm{\pntxta .}}One\par)"
                               R"({\pntext II.\tab}{\*\pn\pnlvlbody\pnucrm{\pntxta .}}Two\par)"
                               R"(\pard{\pntext\'b7\tab}{\*\pn\pnlvlblt{\pntxtb\'b7}}Dot\par\pard Plain})");
    QCOMPARE(shownText(*older), u"I.\tOne\nII.\tTwo\n\u2022\tDot\nPlain"_qs);
}

void tst_rtf::keepsWhatItCannotShow_data()
{
    // What the document shows (markers as U+FFFC), and what saving it writes back.
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArrayList>("written");
    const QByteArray tables = R"({\rtf1\ansi{\fonttbl{\f0 Times;}{\f1 Arial;}})"
                              R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})";
    QTest::newRow("header and page settings, before the text")
        << tables + R"(\paperw11906\margl1134{\header \pard\plain\qc Head {\b text}\par}\pard Body\par})"
        << u"Body"_qs
        << QByteArrayList{"\\viewkind4\n\\paperw11906\\margl1134{\\header \\pard\\plain\\qc Head {\\b text}\\par}\n\\pard"};
    QTest::newRow("footnote with its mark, in Arial and blue")
        << tables + R"(a{\super\chftn}{\footnote\pard\plain{\f1\cf2 Note}}b})" << u"a\uFFFCb"_qs
        << QByteArrayList{"{\\f0\\fs24 a{\\super\\chftn}{\\footnote\\pard\\plain{\\f1\\cf1 Note}}b}",
                          "{\\f1\\fnil\\fcharset0 Arial;}", "{\\colortbl;\\red0\\green0\\blue255;}"};
    QTest::newRow("comment: author, mark and text make one marker")
        << tables + R"(a{\*\atnid QQ}{\*\atnauthor Quinn}\chatn{\*\annotation\pard Comment}.})"
        << u"a\uFFFC."_qs
        << QByteArrayList{"{\\*\\atnid QQ}{\\*\\atnauthor Quinn}\\chatn{\\*\\annotation\\pard Comment}."};
    QTest::newRow("bookmark around a word")
        << tables + R"({\*\bkmkstart m}one{\*\bkmkend m}})" << u"\uFFFCone\uFFFC"_qs
        << QByteArrayList{"{\\*\\bkmkstart m}one{\\*\\bkmkend m}"};
    QTest::newRow("field: result shown, instruction kept")
        << tables + R"(Year {\field{\*\fldinst DATE \\@ "yyyy"}{\fldrslt 2026}}.})" << u"Year 2026."_qs
        << QByteArrayList{"{\\field{\\*\\fldinst DATE \\\\@ \"yyyy\"}{\\fldrslt{\\f0\\fs24 2026}}}{\\f0\\fs24 .}"};
    QTest::newRow("field that shows nothing yet, kept whole")
        << tables + R"(a{\field{\*\fldinst TOC \\o "1-3"}{\fldrslt }}b})" << u"a\uFFFCb"_qs
        << QByteArrayList{"a{\\field{\\*\\fldinst TOC \\\\o \"1-3\"}{\\fldrslt }}b"};
    QTest::newRow("letters of the file's code page, escaped braces")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251 a{\footnote \'e9\{\}\u1046\'3f}})") << u"a\uFFFC"_qs
        << QByteArrayList{"{\\footnote \\u1081?\\{\\}\\u1046?}"};
    QTest::newRow("text box and embedded object without a picture")
        << tables + R"({\shp{\*\shpinst{\sp{\sn shapeType}{\sv 202}}{\shptxt \pard boxed\par}}})"
                    R"({\object\objemb{\*\objdata 0105}}})"
        << u"\uFFFC\uFFFC"_qs
        << QByteArrayList{"{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt \\pard boxed\\par}}}",
                          "{\\object\\objemb{\\*\\objdata 0105}}"};
    QTest::newRow("footnote the file leaves open")
        << QByteArray(R"({\rtf1 a{\footnote b{\b c)") << u"a\uFFFC"_qs
        << QByteArrayList{"a{\\footnote b{\\b c}}}\\par\n}"};
}

void tst_rtf::keepsWhatItCannotShow()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, shown);
    QFETCH(QByteArrayList, written);
    QTextDocument document;
    QStringList lost;
    QVERIFY(RtfReader::read(rtf, document, nullptr, {}, &lost));
    QCOMPARE(lost, QStringList());
    QCOMPARE(blockText(document), shown);
    const QByteArray out = RtfWriter::write(document);
    for (const QByteArray& part : written)
        QVERIFY2(out.contains(part), out.constData());
    // A copy (as recovery files are made from) holds the same; read back, the same is kept again.
    QCOMPARE(RtfWriter::write(*std::unique_ptr<QTextDocument>(document.clone())), out);
    QTextDocument again;
    RtfReader::read(out, again);
    QCOMPARE(blockText(again), shown);
    QCOMPARE(RtfWriter::write(again), out);
}

void tst_rtf::keptGroupsFollowEdits()
{
    QTextDocument document;
    RtfReader::read(R"({\rtf1 a{\super\chftn}{\footnote\pard Note}b {\field{\*\fldinst PAGE}{\fldrslt 7}}.})",
                    document);
    QCOMPARE(document.toPlainText(), u"a\uFFFCb 7."_qs);
    QTextCursor at(&document);
    at.setPosition(2);   // typed right after the mark: text, not a second footnote
    at.insertText(u"x"_qs);
    at.setPosition(6);   // typed in the field's result: part of it
    at.insertText(u"5"_qs);
    QByteArray out = RtfWriter::write(document);
    QCOMPARE(out.count("\\footnote"), 1);
    QVERIFY2(out.contains("{\\f0\\fs24 a{\\super\\chftn}{\\footnote\\pard Note}xb }{\\field{\\*\\fldinst PAGE}{\\fldrslt{\\f0\\fs24 75}}}"),
             out.constData());

    // Deleting the mark deletes its footnote; undoing brings it back.
    at.setPosition(1);
    at.setPosition(2, QTextCursor::KeepAnchor);
    at.removeSelectedText();
    out = RtfWriter::write(document);
    QVERIFY(!out.contains("footnote") && !out.contains("Note") && !out.contains("chftn"));
    QVERIFY(out.contains("axb "));
    document.undo();
    QVERIFY(RtfWriter::write(document).contains("{\\super\\chftn}{\\footnote\\pard Note}"));

    // Opened in a window: nothing to lose at the next save; copied, the marker leaves nothing.
    MainFixture f;
    writeFile(f.path("kept.rtf"), out);
    f.main->OpenFiles({f.path("kept.rtf")}, "test");
    QCOMPARE(f.editor()->unkeptContent(), QString());
    f.editor()->setSelStart(0);
    f.editor()->setSelLength(f.editor()->TextLength());
    f.trigger("mnuEditCopy");
    QCOMPARE(QGuiApplication::clipboard()->text(), u"axb 75."_qs);
    // Typed just after the field's result, text stays out of the field.
    f.editor()->setSelStart(6);
    f.type(u"!"_qs);
    f.editor()->SaveFile(f.path("typed.rtf"), platform::RichTextBox::RichText);
    QVERIFY2(readFile(f.path("typed.rtf")).contains("{\\fldrslt{\\f1\\fs24 75}}}{\\f1\\fs24 !.}"),
             readFile(f.path("typed.rtf")).constData());
}

void tst_rtf::tellsWhatCannotBeKept_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("unkept");
    QTest::newRow("nothing") << QByteArray("{\\rtf1 text{\\*\\generator x;}{\\info{\\title t}}}") << QString();
    QTest::newRow("empty header")
        << QByteArray("{\\rtf1{\\header \\pard\\plain\\par}{\\footerf\\pard }text}") << QString();
    // Kept as read, so nothing is lost.
    QTest::newRow("header with page number")
        << QByteArray("{\\rtf1{\\header\\pard{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}text}")
        << QString();
    QTest::newRow("header picture") << QByteArray("{\\rtf1{\\headerf{\\pict\\pngblip 89}}text}") << QString();
    QTest::newRow("object, footnote, comment and text box")
        << QByteArray("{\\rtf1 a{\\object\\objemb{\\*\\objdata 0105}}b{\\super\\chftn}{\\footnote "
                      "\\pard\\'e9}c{\\*\\annotation\\pard \\u233?}"
                      "{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt \\pard boxed\\par}}}}")
        << QString();
    QTest::newRow("picture shape") << QByteArray("{\\rtf1{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv "
                                               "{\\pict\\pngblip 89}}}}}}") << QString();
    // Where the text cannot hold a marker, or the file shows an object or a shape otherwise.
    QTest::newRow("picture shape with a text box")
        << QByteArray("{\\rtf1{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\pngblip 89}}}"
                      "{\\shptxt boxed}}}}") << u"text boxes"_qs;
    QTest::newRow("object shown as text, footnote in a list number, text box outside a shape")
        << QByteArray("{\\rtf1 a{\\object\\objemb{\\*\\objdata 0105}{\\result shown}}"
                      "{\\listtext 1.{\\footnote x}\\tab}b{\\shptxt \\pard boxed\\par}}")
        << u"embedded objects, footnotes, text boxes"_qs;
}

void tst_rtf::tellsWhatCannotBeKept()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, unkept);
    QTextDocument document;
    QStringList lost;
    QVERIFY(RtfReader::read(rtf, document, nullptr, {}, &lost));
    QCOMPARE(lost.join(u", "_qs), unkept);
}

void tst_rtf::readsCorpus_data()
{
    QTest::addColumn<QString>("name");
    if (!QDir(corpusDir()).exists()) {   // no corpus beside this copy: one row that says so
        QTest::newRow("no corpus") << QStringLiteral("-");
        return;
    }
    const QStringList files = QDir(corpusDir()).entryList({u"*.rtf"_qs}, QDir::Files, QDir::Name);
    if (files.size() < 120)   // a cut corpus is one row that says so
        QTest::newRow("corpus") << QString();
    for (const QString& file : files)
        QTest::newRow(qPrintable(file)) << file.chopped(4);
}

void tst_rtf::readsCorpus()
{
    QFETCH(QString, name);
    if (name == u"-")
        QSKIP("no RTF corpus beside this copy of the project (../shared/rtf-corpus); QUIPLE_RTF_CORPUS names another place");
    QUIPLE_NEED(!name.isEmpty(), "the RTF corpus of 120 files or more in ../shared/rtf-corpus");
    const QDir dir(corpusDir());
    QFile file(dir.filePath(name + u".rtf"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();

    QTextDocument document;
    const bool read = RtfReader::read(data, document);
    QCOMPARE(read, RtfReader::looksLikeRtf(data));   // the others open as plain text, as in LibreOffice
    if (!read)
        return;
    // What was read can be written and read back with the same text and pictures, and what is
    // kept of it is written again as before.
    const QByteArray written = RtfWriter::write(document);
    const auto reread = readRtf(written);
    QCOMPARE(normaliseSpace(shownText(*reread)), normaliseSpace(shownText(document)));
    QCOMPARE(RtfWriter::write(*reread), written);
    const QList<ShownPicture> pictures = picturesIn(document);
    QCOMPARE(picturesIn(*reread), pictures);
    // A copy made a paragraph at a time (as a recovery copy of a big document is) writes the same.
    {
        platform::StepBudget::setUnits(1);
        platform::RichCopyInSteps steps(document, 1);
        for (bool whole = false; !whole;) {
            platform::StepBudget budget;
            whole = steps.step(budget);
        }
        platform::StepBudget::setUnits(0);
        QVERIFY(RtfWriter::write(*steps.take()) == written);
    }
    const auto count = corpusPictures.find(name);
    QCOMPARE(pictures.size(), count == corpusPictures.end() ? 0 : count->second);
    QFile reference(dir.filePath(u"libreoffice-text/"_qs + name + u".txt"_qs));
    if (!reference.open(QIODevice::ReadOnly)) {
        // LibreOffice could not load it; we keep what can be read.
        if (name == u"rtfpipe__RtfParserTest_fail_3"_qs)   // the closing brace is missing
            QCOMPARE(normaliseSpace(document.toPlainText()), u"Hello world in {RTF}\u2026"_qs);
        return;
    }
    const auto difference = corpusDifferences().find(name);
    if (difference != corpusDifferences().end())
        QEXPECT_FAIL("", difference->second, Continue);
    QCOMPARE(normaliseSpace(shownText(document)),
             normaliseSpace(QString::fromUtf8(reference.readAll())));
}

void tst_rtf::survivesHostileInput_data()
{
    // Depths far past any real file, and past the inputs the fuzz target feeds.
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("contains");
    QTest::newRow("100,000 groups left open") << "{\\rtf1 a" + QByteArray(100000, '{') + "x" << u"ax"_qs;
    QTest::newRow("100,000 nested groups")
        << "{\\rtf1 " + QByteArray(100000, '{') + "\\b x" + QByteArray(100000, '}') + "y}" << u"xy"_qs;
    QTest::newRow("100,000 nested skipped groups")
        << "{\\rtf1 a{\\*\\x" + QByteArray(100000, '{') + QByteArray(100000, '}') + "}b}" << u"ab"_qs;
    QTest::newRow("table nesting 99,999 deep")
        << QByteArray("{\\rtf1\\intbl\\itap99999 x\\nestcell\\nestrow y\\cell\\row}") << u"x"_qs;
    QByteArray fields = "{\\rtf1 ";
    for (int i = 0; i < 20000; ++i)
        fields += "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt ";
    QTest::newRow("20,000 nested fields") << fields + "deep" << u"deep"_qs;
    // Kept groups in odd places: read once, written the same ever after.
    QTest::newRow("footnote in the document group itself") << QByteArray(R"({\rtf1 a\field\footnote x})") << u"a"_qs;
    QTest::newRow("text shown inside a shape")
        << QByteArray(R"({\rtf1 {\shp{\*\shpinst{\shptxt a}}shown}})") << u"shown"_qs;
    QTest::newRow("object in a footer's group")
        << QByteArray(R"({\rtf1 {{\object{\result{\pict\pngblip 89}}}\footer F}Body})") << u"Body"_qs;
    QTest::newRow("binary data longer than the header it is in")
        << QByteArray(R"({\rtf1 Body{\header \bin99999 ab)") << u"Body"_qs;
    QTest::newRow("header inside an object, before the text")
        << QByteArray(R"({\rtf1{\object{{\header H}\result{\pict\pngblip 89}}}Body})") << u"Body"_qs;
    QTest::newRow("destination named by an escaped byte")
        << QByteArray(R"({\rtf1 x{\shp{\*\'e9shpinst{\shptxt a}}\'e9}})") << u"x"_qs;
}

void tst_rtf::survivesHostileInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, contains);
    QTextDocument document;
    QVERIFY(RtfReader::read(rtf, document));
    QVERIFY2(document.toPlainText().remove(u'\n').contains(contains),
             qPrintable(document.toPlainText().left(200)));
    const QByteArray written = RtfWriter::write(document);
    QCOMPARE(RtfWriter::write(*readRtf(written)), written);
}

void tst_rtf::exchangesFilesWithLibreOffice()
{
    QUIPLE_NEED(!QStandardPaths::findExecutable(u"soffice"_qs).isEmpty(),
                "LibreOffice's soffice (package libreoffice-writer-nogui)");
    QTemporaryDir dir;
    const QString profile = dir.filePath(u"profile"_qs), out = dir.filePath(u"out"_qs);

    // What we write, LibreOffice reads as the same text.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setForeground(QColor(0, 128, 0));
    cursor.insertText(u"Bold {braces} \\ back \u00e9\u00e8 \u0416\u0438\u0437\u043d\u044c \u65e5\u672c \U0001F600 \u20ac"_qs, format);
    cursor.insertBlock();
    cursor.insertText(u"Tab\tline"_qs);
    QTextTable* table = cursor.insertTable(2, 2);
    for (int i = 0; i < 4; ++i)
        table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(u"c%1"_qs.arg(i));
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(u"Last"_qs);
    QTextListFormat numbered;
    numbered.setStyle(QTextListFormat::ListLowerRoman);
    numbered.setNumberSuffix(u")"_qs);
    cursor.insertList(numbered);
    cursor.insertText(u"first"_qs);
    cursor.insertBlock();
    cursor.insertText(u"second"_qs);
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertList(QTextListFormat::ListDisc);
    cursor.insertText(u"dot"_qs);
    QFile ours(dir.filePath(u"ours.rtf"_qs));
    QVERIFY(ours.open(QIODevice::WriteOnly));
    ours.write(RtfWriter::write(document));
    ours.close();
    QVERIFY(runSoffice(profile, {u"--convert-to"_qs, u"txt:Text"_qs, u"--outdir"_qs, out, ours.fileName()}));
    QFile text(out + u"/ours.txt"_qs);
    QVERIFY2(text.open(QIODevice::ReadOnly), "LibreOffice could not read our RTF");
    // Lists come back as lists: LibreOffice numbers them itself from the list table.
    QCOMPARE(normaliseSpace(QString::fromUtf8(text.readAll())), normaliseSpace(shownText(document)));
    QVERIFY(shownText(document).contains(u"i)\tfirst\nii)\tsecond\n"_qs));
    QVERIFY(shownText(document).endsWith(u"\u2022\tdot"_qs));
}

void tst_rtf::keptGroupsSurviveLibreOffice()
{
    QUIPLE_NEED(!QStandardPaths::findExecutable(u"soffice"_qs).isEmpty(),
                "LibreOffice's soffice (package libreoffice-writer-nogui)");
    QTemporaryDir dir;
    const QString profile = dir.filePath(u"profile"_qs);
    // LibreOffice writes a file with what Quiple cannot show...
    writeFile(dir.filePath(u"given.rtf"_qs),
              R"({\rtf1\ansi{\fonttbl{\f0 Times New Roman;}}\paperw11906\paperh16838\margl1134)"
              R"({\header \pard Head text\par}{\footer \pard Foot text {\field{\*\fldinst PAGE}{\fldrslt 1}}\par})"
              R"(\pard Body {\*\bkmkstart mark1}one{\*\bkmkend mark1} note{\super\chftn}{\footnote\pard{\super\chftn} Note text})"
              R"( and{\*\atnid QQ}{\*\atnauthor Quinn}\chatn{\*\annotation\pard Comment text}. )"
              R"({\field{\*\fldinst DATE \\@ "yyyy"}{\fldrslt 2026}}\par})");
    QVERIFY(runSoffice(profile, {u"--convert-to"_qs, u"rtf"_qs, u"--outdir"_qs, dir.filePath(u"lo"_qs),
                                 dir.filePath(u"given.rtf"_qs)}));
    QFile theirs(dir.filePath(u"lo/given.rtf"_qs));
    QVERIFY(theirs.open(QIODevice::ReadOnly));

    // ...Quiple opens it, a character is typed, and it is saved...
    QTextDocument document;
    QStringList lost;
    QVERIFY(RtfReader::read(theirs.readAll(), document, nullptr, {}, &lost));
    QCOMPARE(lost, QStringList());
    QTextCursor(&document).insertText(u"X"_qs);
    writeFile(dir.filePath(u"ours.rtf"_qs), RtfWriter::write(document));

    // ...and LibreOffice finds all of it again.
    QVERIFY(runSoffice(profile, {u"--convert-to"_qs, u"fodt"_qs, u"--outdir"_qs, dir.filePath(u"out"_qs),
                                 dir.filePath(u"ours.rtf"_qs)}));
    QFile flat(dir.filePath(u"out/ours.fodt"_qs));
    QVERIFY2(flat.open(QIODevice::ReadOnly), "LibreOffice could not read our RTF");
    const QByteArray xml = flat.readAll();
    for (const char* part : {"XBody", "Head text", "Foot text", "<text:page-number", "Note text", "<text:note ",
                             "Comment text", "Quinn", "text:bookmark-start text:name=\"mark1\"", "<text:date"})
        QVERIFY2(xml.contains(part), part);
}

QTEST_MAIN(tst_rtf)
#include "tst_rtf.moc"
