#include "tst_rtf.h"

#include "platform/rtf/RtfReader.h"
#include "rtf_test_support.h"

#include <QTest>
#include <QTextBlock>
#include <QTextTable>

using platform::rtf::RtfReader;

std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf)
{
    auto document = std::make_unique<QTextDocument>();
    RtfReader::read(rtf, *document);
    return document;
}

void tst_rtf::recognisesRichText_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("isRtf");
    QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi") << true;
    QTest::newRow("bare signature") << QByteArray("{\\rtf") << true;
    QTest::newRow("plain text") << QByteArray("hello") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("brace without rtf") << QByteArray("{\\pard x}") << false;
    QTest::newRow("html") << QByteArray("<html>{\\rtf1") << false;
}

void tst_rtf::recognisesRichText()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, isRtf);
    QCOMPARE(RtfReader::looksLikeRtf(head), isRtf);
}

void tst_rtf::readsText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");   // blocks joined by "\n"; line breaks stay U+2028

    QTest::newRow("plain") << QByteArray(R"({\rtf1\ansi Hello world})") << u"Hello world"_qs;
    QTest::newRow("paragraph, line and tab")
        << QByteArray(R"({\rtf1 a\par b\line c\tab d})") << u"a\nb\u2028c\td"_qs;
    QTest::newRow("final paragraph mark adds no paragraph")
        << QByteArray(R"({\rtf1 a\par})") << u"a"_qs;
    QTest::newRow("empty paragraphs are kept")
        << QByteArray(R"({\rtf1 a\par\par b\par})") << u"a\n\nb"_qs;
    QTest::newRow("line ends in the source are not text")
        << QByteArray("{\\rtf1 a\r\nb\n}") << u"ab"_qs;
    QTest::newRow("backslash before a line end is a paragraph")
        << QByteArray("{\\rtf1 a\\\nb}") << u"a\nb"_qs;
    QTest::newRow("escaped braces and backslash")
        << QByteArray(R"({\rtf1 \{x\} \\ y})") << u"{x} \\ y"_qs;
    QTest::newRow("symbol words")
        << QByteArray(R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\~\emspace\enspace\-\_})")
        << u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u00A0\u2003\u2002\u00AD\u2011"_qs;
    QTest::newRow("page and section breaks end a paragraph with text")
        << QByteArray(R"({\rtf1 a\page b\par\page c\sect})") << u"a\nb\nc"_qs;

    QTest::newRow("unicode with fallback") << QByteArray(R"({\rtf1\uc1 caf\u233?s})") << u"cafés"_qs;
    QTest::newRow("negative value") << QByteArray(R"({\rtf1 \u-223?})") << u"\uFF21"_qs;
    QTest::newRow("unsigned value over 32767") << QByteArray(R"({\rtf1 \u65313?})") << u"\uFF21"_qs;
    QTest::newRow("surrogate pair, signed")
        << QByteArray(R"({\rtf1 \u-10179?\u-8704?})") << u"\U0001F600"_qs;
    QTest::newRow("surrogate pair, unsigned")
        << QByteArray(R"({\rtf1 \u55357?\u56832?})") << u"\U0001F600"_qs;
    QTest::newRow("lone surrogate is replaced")
        << QByteArray(R"({\rtf1 \u-10179?x})") << u"\uFFFDx"_qs;
    QTest::newRow("uc2 skips two fallback bytes")
        << QByteArray(R"({\rtf1\uc2\u21512\'b5\'c4x})") << u"\u5408x"_qs;
    QTest::newRow("uc0 skips nothing") << QByteArray(R"({\rtf1\uc0\u233 x})") << u"éx"_qs;
    QTest::newRow("uc belongs to its group")
        << QByteArray(R"({\rtf1{\uc2\u233 ab}\u233 cd})") << u"ééd"_qs;
    QTest::newRow("a brace ends the fallback")
        << QByteArray(R"({\rtf1\uc3\u233{x}y})") << u"éxy"_qs;
    QTest::newRow("hex fallback counts as one")
        << QByteArray(R"({\rtf1\u233\'e9x})") << u"éx"_qs;
    QTest::newRow("control characters are dropped")
        << QByteArray(R"({\rtf1 a\u7?\'00\'0ab})") << u"ab"_qs;

    QTest::newRow("hex in the document code page")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})") << u"При"_qs;
    QTest::newRow("hex in the font's character set")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset238 Arial CE;}}\f1 \'b9\f0 \'b9})")
        << u"ą¹"_qs;
    QTest::newRow("raw 8-bit text")
        << QByteArray("{\\rtf1\\ansi caf\xe9}") << u"café"_qs;
    QTest::newRow("Symbol font shows its characters")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset2 Symbol;}}\f1 abg\'b7\u-3976?})")
        << u"αβγ•ξ"_qs;
    QTest::newRow("other symbol fonts keep the font's private-use character")
        << QByteArray(R"({\rtf1{\fonttbl{\f1\fcharset2 Wingdings;}}\f1 J})") << u"\uF04A"_qs;

    QTest::newRow("destinations that hold no text")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;}{\stylesheet{\s1 Heading;}})"
                      R"({\info{\title T}{\author A}}{\*\generator G;}{\*\unknown U{\nested N}}{\header H}{\footer F})"
                      R"({\nonshppict{\pict\wmetafile8 0102}}{\object{\*\objdata 01}{\result R}}{\*\bkmkstart b}Body})")
        << u"RBody"_qs;   // an object shows as its result
    QTest::newRow("binary data is passed over")
        << QByteArray(R"({\rtf1 a{\*\data\bin5 }{\}x}b})") << u"ab"_qs;
    QTest::newRow("footnote text is left out, its mark numbered")
        << QByteArray(R"({\rtf1 word\chftn{\footnote\pard {\chftn} note}. more\chftn{\footnote x}})")
        << u"word1. more2"_qs;
    QTest::newRow("field shows its result")
        << QByteArray(R"({\rtf1 page {\field{\*\fldinst{ PAGE }}{\fldrslt 3}} of 4})") << u"page 3 of 4"_qs;
    QTest::newRow("SYMBOL field shows its character")
        << QByteArray(R"x({\rtf1 ({\field{\*\fldinst SYMBOL 74 \\f "Wingdings" \\s 12}{\fldrslt }})})x")
        << u"(J)"_qs;
    QTest::newRow("list numbers are text")
        << QByteArray(R"({\rtf1{\listtext 1.\tab}Item\par{\pntext\pard 2.\tab}{\*\pn\pnlvlbody{\pntxta .}}Next})")
        << u"1.\tItem\n2.\tNext"_qs;
    QTest::newRow("hidden text is kept")
        << QByteArray(R"({\rtf1 a{\v b}c})") << u"abc"_qs;
    QTest::newRow("data after the document is ignored")
        << QByteArray(R"({\rtf1 a}tail{\rtf1 more})") << u"a"_qs;
    QTest::newRow("missing closing brace keeps what was read")
        << QByteArray(R"({\rtf1 a\par b)") << u"a\nb"_qs;
    QTest::newRow("leading white space and byte-order mark")
        << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 a}") << u"a"_qs;
}

void tst_rtf::readsText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(blockText(*readRtf(rtf)), text);
}

void tst_rtf::decodesCodePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    const struct {
        int codePage;
        int charset;   // the \fcharset that stands for the code page, 0 when none does
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
    for (const auto& page : pages) {
        const QByteArray bytes(page.bytes);
        QTest::addRow("ansicpg%d", page.codePage)
            << "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(page.codePage) + ' ' + bytes + '}'
            << QString::fromUtf16(page.text);
        if (page.charset)
            QTest::addRow("fcharset%d", page.charset)
                << "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset" + QByteArray::number(page.charset) +
                       " F;}}\\f0 " + bytes + '}'
                << QString::fromUtf16(page.text);
    }
    QTest::newRow("mac") << QByteArray(R"({\rtf1\mac \'8e})") << u"é"_qs;
    QTest::newRow("pc") << QByteArray(R"({\rtf1\pc \'82})") << u"é"_qs;
    QTest::newRow("pca") << QByteArray(R"({\rtf1\pca \'9b})") << u"ø"_qs;
    QTest::newRow("double-byte text split by a format change keeps its pairs")
        << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82\'a0{\b \'82\'a2}})") << u"あい"_qs;
    QTest::newRow("unknown code page falls back to 1252")
        << QByteArray(R"({\rtf1\ansi\ansicpg99999 \'e9})") << u"é"_qs;
}

void tst_rtf::decodesCodePages()
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
    QTest::newRow("default font")
        << QByteArray(R"({\rtf1\deff1{\fonttbl{\f0 Arial;}{\f1 Courier New;}} X})")
        << u"font=Courier New pt=12"_qs;
    QTest::newRow("font table without groups")
        << QByteArray(R"({\rtf1{\fonttbl\f0\fswiss Helvetica;\f1\fmodern Courier;}\f1 X})")
        << u"font=Courier pt=12"_qs;
    QTest::newRow("font name in its character set")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9{\*\falt MS Mincho};}}\f0 X})")
        << u"font=ＭＳ 明朝 pt=12"_qs;
    QTest::newRow("unicode part of upr")
        << QByteArray(R"({\rtf1{\upr{\fonttbl{\f0 Ansi;}}{\*\ud{\fonttbl{\f0 Uni;}}}}\f0 X})")
        << u"font=Uni pt=12"_qs;
    const QByteArray colours = R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})";
    QTest::newRow("colour and highlight")
        << "{\\rtf1" + colours + R"({\cf1\highlight2 X}})" << u"pt=12 fg=#ff0000 bg=#0000ff"_qs;
    QTest::newRow("colour 0 is automatic") << "{\\rtf1" + colours + R"({\cf0 X}})" << u"pt=12"_qs;
    QTest::newRow("plain resets")
        << QByteArray(R"({\rtf1\b\i\ul\strike\fs40 a\plain X})") << u"pt=12"_qs;
    QTest::newRow("group end restores") << QByteArray(R"({\rtf1\b{\b0\i a}X})") << u"bold pt=12"_qs;
}

void tst_rtf::readsCharacterFormats()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, format);
    const auto document = readRtf(rtf);
    const QTextCursor found = document->find(u"X"_qs);
    QVERIFY(!found.isNull());
    QCOMPARE(describeFormat(found.charFormat()), format);
}

void tst_rtf::readsParagraphFormats_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("formats");   // of each block

    QTest::newRow("alignments")
        << QByteArray(R"({\rtf1\ql a\par\qc b\par\qr c\par\qj d\par})")
        << QStringList{u"left"_qs, u"center"_qs, u"right"_qs, u"justify"_qs};
    QTest::newRow("pard resets")
        << QByteArray(R"({\rtf1\qc\li720 a\par\pard b})") << QStringList{u"center left=48"_qs, u"left"_qs};
    QTest::newRow("indents and spacing in twips")
        << QByteArray(R"({\rtf1\li720\ri360\fi-240\sb120\sa240 a})")
        << QStringList{u"left left=48 right=24 first=-16 before=8 after=16"_qs};
    QTest::newRow("format in force at the paragraph mark")
        << QByteArray(R"({\rtf1 a\qr\par b})") << QStringList{u"right"_qs, u"right"_qs};
    QTest::newRow("right to left")
        << QByteArray(R"({\rtf1\rtlpar\qr a})") << QStringList{u"right rtl"_qs};
}

void tst_rtf::readsParagraphFormats()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, formats);
    const auto document = readRtf(rtf);
    QStringList actual;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        actual << describeBlock(block.blockFormat());
    QCOMPARE(actual, formats);
}

void tst_rtf::readsTablesAsTables_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("cells");   // row by row, "|" between cells
    QTest::addColumn<QString>("after");   // text after the table

    QTest::newRow("two by two")
        << QByteArray(R"({\rtf1 before\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\pard\intbl c\cell d\cell\row\pard after\par})")
        << 2 << 2 << u"a|b|c|d"_qs << u"after"_qs;
    QTest::newRow("row definition after the cells")
        << QByteArray(R"({\rtf1\pard\intbl a\cell b\cell\trowd\cellx1000\cellx2000\row\pard after})")
        << 1 << 2 << u"a|b"_qs << u"after"_qs;
    QTest::newRow("short rows are padded")
        << QByteArray(R"({\rtf1\intbl a\cell b\cell c\cell\row\intbl d\cell e\cell\row})")
        << 2 << 3 << u"a|b|c|d|e|"_qs << QString();
    QTest::newRow("more cells than cell edges keep their text")
        << QByteArray(R"({\rtf1\trowd\cellx5000\intbl a\cell b\cell c\cell\row})")
        << 1 << 3 << u"a|b|c"_qs << QString();
    QTest::newRow("paragraphs inside a cell")
        << QByteArray(R"({\rtf1\intbl x\par y\cell z\cell\row})") << 1 << 2 << u"x\ny|z"_qs << QString();
    QTest::newRow("cell marks without intbl")
        << QByteArray(R"({\rtf1\trowd\cellx1000 a\cell\row after})") << 1 << 1 << u"a"_qs << u"after"_qs;
    QTest::newRow("last row mark missing")
        << QByteArray(R"({\rtf1\intbl a\cell b\cell})") << 1 << 2 << u"a|b"_qs << QString();
    QTest::newRow("list number in a cell does not end the table")
        << QByteArray(R"({\rtf1\intbl{\listtext\pard\plain 1.\tab}a\cell\row})") << 1 << 1
        << u"1.\ta"_qs << QString();
}

void tst_rtf::readsTablesAsTables()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QString, cells);
    QFETCH(QString, after);
    const auto document = readRtf(rtf);
    const QList<QTextTable*> tables = topLevelTables(*document);
    QCOMPARE(tables.size(), 1);
    QCOMPARE(tables[0]->rows(), rows);
    QCOMPARE(tables[0]->columns(), columns);
    QCOMPARE(tableText(tables[0]), cells);
    QCOMPARE(document->lastBlock().text(), after);
}

void tst_rtf::readsNestedTables()
{
    const auto document = readRtf(
        R"({\rtf1\pard\intbl\itap1 outer\cell)"
        R"(\pard\intbl\itap2 in1\nestcell in2\nestcell)"
        R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par})"
        R"(\pard\intbl\itap1 tail\cell\trowd\cellx3000\cellx6000\row\pard after})");
    const QList<QTextTable*> tables = topLevelTables(*document);
    QCOMPARE(tables.size(), 1);
    QTextTable* outer = tables[0];
    QCOMPARE(outer->rows(), 1);
    QCOMPARE(outer->columns(), 2);
    QCOMPARE(outer->cellAt(0, 0).firstCursorPosition().block().text(), u"outer"_qs);
    const QList<QTextFrame*> inCell = outer->childFrames();
    QCOMPARE(inCell.size(), 1);
    auto* inner = qobject_cast<QTextTable*>(inCell[0]);
    QVERIFY(inner);
    QCOMPARE(inner->rows(), 1);
    QCOMPARE(inner->columns(), 2);
    QCOMPARE(tableText(inner), u"in1|in2"_qs);
    QCOMPARE(inner->cellAt(0, 0).row(), 0);
    QVERIFY(outer->cellAt(0, 1).firstPosition() < inner->firstPosition());
    QVERIFY(document->toPlainText().contains(u"tail"_qs));
    QCOMPARE(document->lastBlock().text(), u"after"_qs);
}

void tst_rtf::readsMergedCells()
{
    const auto document = readRtf(
        R"({\rtf1\trowd\clmgf\cellx1000\clmrg\cellx2000\clvmgf\cellx3000)"
        R"(\pard\intbl across\cell\cell down\cell\row)"
        R"(\trowd\cellx1000\cellx2000\clvmrg\cellx3000\pard\intbl c\cell d\cell\cell\row})");
    const QList<QTextTable*> tables = topLevelTables(*document);
    QCOMPARE(tables.size(), 1);
    const QTextTableCell across = tables[0]->cellAt(0, 1);
    QCOMPARE(across.column(), 0);
    QCOMPARE(across.columnSpan(), 2);
    QCOMPARE(across.firstCursorPosition().block().text(), u"across"_qs);
    const QTextTableCell down = tables[0]->cellAt(1, 2);
    QCOMPARE(down.row(), 0);
    QCOMPARE(down.rowSpan(), 2);
    QCOMPARE(normaliseSpace(document->toPlainText()), u"across down c d"_qs);
}

void tst_rtf::keepsTextOfTablesTooWideToShow()
{
    QByteArray rtf = "{\\rtf1\\intbl ";
    for (int i = 0; i < 200; ++i)
        rtf += "c" + QByteArray::number(i) + "\\cell ";
    rtf += "\\row}";
    const auto document = readRtf(rtf);
    QVERIFY(topLevelTables(*document).isEmpty());
    const QString text = document->toPlainText();
    QVERIFY(text.contains(u"c0"_qs));
    QVERIFY(text.contains(u"c199"_qs));
    QCOMPARE(document->blockCount(), 200);
}

void tst_rtf::readsHyperlinks()
{
    const auto document = readRtf(
        R"({\rtf1{\colortbl;\red0\green0\blue255;}Go {\field{\*\fldinst{HYPERLINK "https://example.org/a?b=1"}})"
        R"({\fldrslt{\ul\cf1 here}}} or {\field{\*\fldinst HYPERLINK \\l "sec"}{\fldrslt there}}.})");
    QCOMPARE(document->toPlainText(), u"Go here or there."_qs);
    const QTextCharFormat here = document->find(u"here"_qs).charFormat();
    QVERIFY(here.isAnchor());
    QCOMPARE(here.anchorHref(), u"https://example.org/a?b=1"_qs);
    QCOMPARE(here.underlineStyle(), QTextCharFormat::SingleUnderline);
    QCOMPARE(document->find(u"there"_qs).charFormat().anchorHref(), u"#sec"_qs);
    QVERIFY(!document->find(u"Go"_qs).charFormat().isAnchor());
}

void tst_rtf::refusesWhatIsNotRichText()
{
    QTextDocument document;
    document.setPlainText(u"old"_qs);
    QString warning;
    QVERIFY(!RtfReader::read("just text", document, &warning));
    QVERIFY(warning.contains(u"not rich text"_qs));
    QVERIFY(document.isEmpty());

    QVERIFY(!RtfReader::read(QByteArray(), document, &warning));

    QVERIFY(RtfReader::read("{\\rtf1 cut short", document, &warning));
    QCOMPARE(document.toPlainText(), u"cut short"_qs);
    QVERIFY(warning.contains(u"ends early"_qs));

    QVERIFY(RtfReader::read("{\\rtf1 whole}", document, &warning));
    QVERIFY(warning.isEmpty());
    QVERIFY(document.isUndoRedoEnabled());
    QVERIFY(!document.isModified());
}
