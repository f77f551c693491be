#include "tst_rtf.h"

#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "rtf_test_support.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextTable>

#include <map>

using platform::rtf::RtfReader;
using platform::rtf::RtfWriter;

namespace {

QString corpusDir() { return QStringLiteral(QUIPLE_SOURCE_DIR "/../shared/rtf-corpus"); }

// Files whose text differs from LibreOffice's for a reason, each with the reason.
const std::map<QString, const char*>& corpusDifferences()
{
    static const char* lists =
        "LibreOffice draws list numbers from the list definition; we show the number text the "
        "producer wrote (\\listtext)";
    static const char* symbol =
        "Symbol-font characters become the characters they show (Greek letters, maths signs); "
        "LibreOffice keeps the font's private-use codes";
    static const std::map<QString, const char*> differences = {
        {u"pandoc__list_complex"_qs, lists},
        {u"pandoc__list_simple"_qs, lists},
        {u"pandoc__list_multiparagraph"_qs, lists},
        {u"pandoc__writer"_qs, lists},
        {u"rtfpipe__ListGoogle"_qs, lists},
        {u"rtfpipe__Issue50-1"_qs, lists},
        {u"striprtf__issue_63"_qs, lists},
        {u"pandoc__list_legacy"_qs,
         "LibreOffice leaves out old-style list numbers (\\pntext); we show them"},
        {u"pandoc__table_simple"_qs,
         "rows of four cells with one cell edge: LibreOffice drops the cells past the edge, we "
         "keep their text"},
        {u"pandoc__table_nested_malformed_itap"_qs,
         "table nesting that skips levels: LibreOffice shows nothing, we keep the text"},
        {u"rtfpipe__RtfParserTest_5"_qs, symbol},
        {u"rtfpipe__Test01"_qs, symbol},
        {u"rtfpipe__rtf2xml_symbol"_qs, symbol},
        {u"rtfpipe__rtf2xml_ted_mixed_faces"_qs, symbol},
    };
    return differences;
}

// The pictures of the document's text in files that hold any; those of headers and footers
// (rtfpipe__Issue39 has one only there) and the stand-ins for old readers (\nonshppict) are
// not counted.
const std::map<QString, int>& corpusPictures()
{
    static const std::map<QString, int> counts = {
        {u"rtfpipe__phprtflite_images"_qs, 11},  // and one in the first page's header
        {u"pandoc__image"_qs, 1},
        {u"pandoc__writer"_qs, 2},
        {u"rtfpipe__Issue33"_qs, 5},
        {u"rtfpipe__Issue37"_qs, 2},
        {u"rtfpipe__Issue46"_qs, 1},   // a floating picture; its text box (an object) is left out
        {u"rtfpipe__PictureObjectEmbed2"_qs, 1},   // an object's picture
        {u"striprtf__BVWGT_20241227_W258_2227269_1_00_01"_qs, 1},  // and three in headers
        {u"striprtf__Example_text"_qs, 2},
    };
    return counts;
}

qint64 procStatusKb(const char* field)
{
    QFile status(u"/proc/self/status"_qs);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

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

void tst_rtf::readsCorpus_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(corpusDir());
    if (!dir.exists())
        QSKIP("The RTF corpus (shared/rtf-corpus beside the source folder) is absent.");
    const QStringList files = dir.entryList({u"*.rtf"_qs}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 120);
    for (const QString& file : files)
        QTest::newRow(qPrintable(file)) << file.chopped(4);
}

void tst_rtf::readsCorpus()
{
    QFETCH(QString, name);
    const QDir dir(corpusDir());
    QFile file(dir.filePath(name + u".rtf"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();

    QTextDocument document;
    QElapsedTimer timer;
    timer.start();
    const bool read = RtfReader::read(data, document);
    QVERIFY2(timer.elapsed() < 10000, "reading took more than 10 s");

    QFile reference(dir.filePath(u"libreoffice-text/"_qs + name + u".txt"_qs));
    if (!RtfReader::looksLikeRtf(data)) {
        // The editor opens such a file as plain text, as LibreOffice did.
        QVERIFY(!read);
        if (reference.open(QIODevice::ReadOnly))
            QCOMPARE(normaliseSpace(QString::fromUtf8(reference.readAll())),
                     normaliseSpace(QString::fromUtf8(data)));
        return;
    }
    QVERIFY(read);
    // What was read can be written and read back with the same text and pictures.
    const auto reread = readRtf(RtfWriter::write(document));
    QCOMPARE(normaliseSpace(reread->toPlainText()), normaliseSpace(document.toPlainText()));
    const QList<ShownPicture> pictures = picturesIn(document);
    QCOMPARE(picturesIn(*reread), pictures);
    const auto count = corpusPictures().find(name);
    QCOMPARE(pictures.size(), count == corpusPictures().end() ? 0 : count->second);
    if (!reference.open(QIODevice::ReadOnly)) {
        // LibreOffice could not load it; we keep what can be read.
        if (name == u"rtfpipe__RtfParserTest_fail_3"_qs)   // the closing brace is missing
            QCOMPARE(normaliseSpace(document.toPlainText()), u"Hello world in {RTF}\u2026"_qs);
        return;
    }
    const auto difference = corpusDifferences().find(name);
    if (difference != corpusDifferences().end())
        QEXPECT_FAIL("", difference->second, Continue);
    QCOMPARE(normaliseSpace(document.toPlainText()),
             normaliseSpace(QString::fromUtf8(reference.readAll())));
}

void tst_rtf::survivesHostileInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("contains");

    QTest::newRow("100,000 groups left open")
        << "{\\rtf1 a" + QByteArray(100000, '{') + "x" << u"ax"_qs;
    QTest::newRow("100,000 nested groups")
        << "{\\rtf1 " + QByteArray(100000, '{') + "\\b x" + QByteArray(100000, '}') + "y}" << u"xy"_qs;
    QTest::newRow("100,000 nested skipped groups")
        << "{\\rtf1 a{\\*\\x" + QByteArray(100000, '{') + QByteArray(100000, '}') + "}b}" << u"ab"_qs;
    QTest::newRow("binary of 2 GB declared")
        << "{\\rtf1 a{\\pict\\bin2147483647 " + QByteArray(4096, '\xff') + "}b}" << u"a"_qs;
    QTest::newRow("binary length beyond 64 bits")
        << QByteArray("{\\rtf1 a\\bin99999999999999999999999 xyz}") << u"a"_qs;
    QTest::newRow("negative binary length") << QByteArray("{\\rtf1 a\\bin-5 b}") << u"ab"_qs;
    QTest::newRow("binary without length") << QByteArray("{\\rtf1 a\\bin b}") << u"ab"_qs;
    QTest::newRow("huge parameters")
        << QByteArray("{\\rtf1{\\fs999999999999\\uc2147483647\\li-99999999999\\cf-5\\f-2147483648 "
                      "\\u99999999999 x\\cellx-99999999 y}z}")
        << u"\uFFFDz"_qs;
    QTest::newRow("unfinished escapes") << QByteArray("{\\rtf1 a\\'4") << u"a"_qs;
    QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << u"a"_qs;
    QTest::newRow("control word of 100,000 letters")
        << "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}" << u"ab"_qs;
    QTest::newRow("table nesting 99,999 deep")
        << QByteArray("{\\rtf1\\intbl\\itap99999 x\\nestcell\\nestrow y\\cell\\row}") << u"x"_qs;
    QByteArray cells = "{\\rtf1\\intbl ";
    for (int i = 0; i < 100000; ++i)
        cells += "\\cell ";
    QTest::newRow("100,000 cells in one row") << cells + "z}" << u"z"_qs;
    QByteArray rows = "{\\rtf1 ";
    for (int i = 0; i < 20000; ++i)
        rows += "\\trowd\\cellx100\\intbl r\\cell\\row ";
    QTest::newRow("20,000 rows") << rows + "end}" << u"end"_qs;
    QByteArray fields = "{\\rtf1 ";
    for (int i = 0; i < 20000; ++i)
        fields += "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt ";
    QTest::newRow("20,000 nested fields") << fields + "deep" << u"deep"_qs;
    QByteArray colours = "{\\rtf1{\\colortbl";
    for (int i = 0; i < 200000; ++i)
        colours += "\\red1;";
    QTest::newRow("200,000 colours") << colours + "}\\cf150000 c}" << u"c"_qs;
    QTest::newRow("picture with an odd count of hex digits")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e4}b}") << u"a\uFFFCb"_qs;
    QTest::newRow("picture binary past the end")
        << QByteArray("{\\rtf1 a{\\pict\\jpegblip\\picwgoal-99\\bin99999 \xff\xd8}b}") << u"a\uFFFC"_qs;
    QTest::newRow("picture binary of negative length")
        << QByteArray("{\\rtf1 a{\\pict\\wmetafile8\\bin-5 01}b}") << u"a\uFFFCb"_qs;
    QTest::newRow("picture nested past the deepest level")
        << "{\\rtf1 " + QByteArray(5000, '{') + "{\\pict 00}after" + QByteArray(5000, '}') + "}"
        << u"after"_qs;
    QTest::newRow("picture where no text goes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0{\\pict 00}Arial;}}\\f0 x}") << u"x"_qs;
    QTest::newRow("star before text") << QByteArray("{\\rtf1 a{\\* hidden}b}") << u"ab"_qs;
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 17) << u"abc"_qs;
    QTest::newRow("only the signature") << QByteArray("{\\rtf") << QString();
}

void tst_rtf::survivesHostileInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, contains);
    QTextDocument document;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(RtfReader::read(rtf, document));
    QVERIFY2(timer.elapsed() < 20000, "reading took more than 20 s");
    QVERIFY2(document.toPlainText().remove(u'\n').contains(contains),
             qPrintable(document.toPlainText().left(200)));
}

void tst_rtf::readsLargeFileInBoundedMemory()
{
    // 50 MB of ordinary formatted text with a small table now and then.
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 DejaVu Sans;}{\\f1 DejaVu Serif;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\n";
    const QByteArray paragraph =
        "\\pard\\qj Plain text with {\\b bold}, {\\i\\cf1 red italic} and {\\f1\\fs28 serif} words, "
        "caf\\'e9 \\u8364? \\u-10179?\\u-8704? done.\\par\n";
    const QByteArray table = "\\trowd\\cellx3000\\cellx6000\\pard\\intbl one\\cell two\\cell\\row\\pard\n";
    const qsizetype target = 50 * 1024 * 1024;
    rtf.reserve(target + 1024);
    for (int i = 0; rtf.size() < target; ++i)
        rtf += i % 500 == 499 ? table : paragraph;
    rtf += '}';

    // Peak memory from here on: the kernel's high-water mark, reset.
    QFile clear(u"/proc/self/clear_refs"_qs);
    const bool peakReset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    const qint64 before = procStatusKb("VmRSS:");

    QElapsedTimer timer;
    timer.start();
    {
        QTextDocument document;
        QVERIFY(RtfReader::read(rtf, document));
        const qint64 elapsed = timer.elapsed();
        const qint64 peak = procStatusKb("VmHWM:");
        qInfo("50 MB read in %lld ms; peak memory %lld MB above the %lld MB before",
              elapsed, (peak - before) / 1024, before / 1024);
        // Its speed is measured by bench/rtf_bench.cpp; here only that it ends, whole and bounded.
        if (peakReset && before > 0 && peak > 0)
            QVERIFY2((peak - before) * 1024 < 20 * rtf.size(), "memory grew past 20 times the file");
        QVERIFY(document.blockCount() > 300000);
        QVERIFY(document.lastBlock().text().endsWith(u"done."_qs) ||
                document.lastBlock().previous().text().endsWith(u"done."_qs));
    }
}

void tst_rtf::exchangesFilesWithLibreOffice()
{
    if (QStandardPaths::findExecutable(u"soffice"_qs).isEmpty())
        QSKIP("LibreOffice (soffice, package libreoffice-writer-nogui) is not installed.");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString profile = dir.filePath(u"profile"_qs);
    const QString out = dir.filePath(u"out"_qs);

    // LibreOffice writes RTF from a document with the formats we read.
    const QString html =
        u"<html><head><meta charset=\"utf-8\"></head><body>"
        "<p><b>Bold</b> <i>Italic</i> <u>Under</u> <span style=\"color:#ff0000\">Red</span> "
        "<span style=\"font-family:'DejaVu Serif'; font-size:18pt\">Serif</span></p>"
        "<p align=\"left\">Left</p><p align=\"center\">Centred</p><p align=\"right\">Right</p>"
        "<p align=\"justify\">Justified</p>"
        "<p>\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u0420\u0443\u0441\u0441\u043a\u0438\u0439 "
        "\u65e5\u672c\u8a9e</p>"
        "<table border=\"1\"><tr><td>A1</td><td>B1</td></tr><tr><td>A2</td><td>B2</td></tr></table>"
        "<p>End</p></body></html>"_qs;
    QFile htmlFile(dir.filePath(u"from-lo.html"_qs));
    QVERIFY(htmlFile.open(QIODevice::WriteOnly));
    htmlFile.write(html.toUtf8());
    htmlFile.close();
    QVERIFY(runSoffice(profile, {u"--infilter=HTML (StarWriter)"_qs, u"--convert-to"_qs, u"rtf"_qs,
                                 u"--outdir"_qs, out, htmlFile.fileName()}));
    QFile loRtf(out + u"/from-lo.rtf"_qs);
    QVERIFY2(loRtf.open(QIODevice::ReadOnly), "LibreOffice wrote no RTF");
    const auto read = readRtf(loRtf.readAll());

    auto formatOf = [&](const QString& word) { return read->find(word).charFormat(); };
    QVERIFY(formatOf(u"Bold"_qs).fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(u"Italic"_qs).fontItalic());
    QVERIFY(formatOf(u"Under"_qs).fontUnderline());
    QCOMPARE(formatOf(u"Red"_qs).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatOf(u"Serif"_qs).fontFamilies().toStringList().value(0), u"DejaVu Serif"_qs);
    QCOMPARE(formatOf(u"Serif"_qs).fontPointSize(), 18.0);
    QVERIFY(formatOf(u"Left"_qs).fontWeight() < QFont::Bold);
    const std::pair<const char16_t*, Qt::Alignment> aligns[] = {
        {u"Left", Qt::AlignLeft}, {u"Centred", Qt::AlignHCenter},
        {u"Right", Qt::AlignRight}, {u"Justified", Qt::AlignJustify}};
    for (const auto& [word, align] : aligns)
        QCOMPARE(read->find(QString::fromUtf16(word)).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 align);
    QVERIFY(read->toPlainText().contains(u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac "
                                         "\u0420\u0443\u0441\u0441\u043a\u0438\u0439 \u65e5\u672c\u8a9e"_qs));
    const QList<QTextTable*> tables = topLevelTables(*read);
    QCOMPARE(tables.size(), 1);
    QCOMPARE(tableText(tables[0]), u"A1|B1|A2|B2"_qs);

    // What we write, LibreOffice reads as the same text.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format;
    format.setFontFamilies({u"DejaVu Sans"_qs});
    format.setFontPointSize(14);
    format.setFontWeight(QFont::Bold);
    cursor.insertText(u"Bold {braces} \\ back"_qs, format);
    format.setFontWeight(QFont::Normal);
    format.setForeground(QColor(0, 128, 0));
    cursor.insertText(u" green \u00e9\u00e8 \u0416\u0438\u0437\u043d\u044c \u65e5\u672c "
                      "\U0001F600 \u20ac"_qs, format);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred);
    cursor.insertText(u"Centred\tline"_qs);
    QTextTable* table = cursor.insertTable(2, 2);
    const char16_t* cellTexts[] = {u"c11", u"c12", u"c21", u"\u03a9 c22"};
    for (int i = 0; i < 4; ++i)
        table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(QString::fromUtf16(cellTexts[i]));
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(u"Last"_qs);
    // Pictures: a PNG at 100 x 50 pixels in the text, a JPEG at 30 x 20 in a table's cell.
    const auto red = [](const char* format) {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(QColor(255, 0, 0));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return buffer.data();
    };
    using platform::rtf::pictureFormat;
    cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                      pictureFormat({}, {"\\pngblip\\picwgoal1500\\pichgoal750", red("PNG")}, u"p"_qs));
    table->cellAt(0, 0).lastCursorPosition().insertText(
        QString(QChar::ObjectReplacementCharacter),
        pictureFormat({}, {"\\jpegblip\\picw40\\pich20\\picwgoal450\\pichgoal300", red("JPEG")}, u"j"_qs));
    QFile ours(dir.filePath(u"ours.rtf"_qs));
    QVERIFY(ours.open(QIODevice::WriteOnly));
    ours.write(RtfWriter::write(document));
    ours.close();
    QVERIFY(runSoffice(profile, {u"--convert-to"_qs, u"txt:Text"_qs, u"--outdir"_qs, out,
                                 ours.fileName()}));
    QFile text(out + u"/ours.txt"_qs);
    QVERIFY2(text.open(QIODevice::ReadOnly), "LibreOffice could not read our RTF");
    QCOMPARE(normaliseSpace(QString::fromUtf8(text.readAll())),
             normaliseSpace(document.toPlainText()));

    // LibreOffice shows our pictures: it writes them back (as PNG) at their size, in their place.
    QVERIFY(runSoffice(profile, {u"--convert-to"_qs, u"rtf"_qs, u"--outdir"_qs, out, ours.fileName()}));
    QFile again(out + u"/ours.rtf"_qs);
    QVERIFY2(again.open(QIODevice::ReadOnly), "LibreOffice could not read our RTF");
    const auto back = readRtf(again.readAll());
    const QList<ShownPicture> pictures = picturesIn(*back);
    QCOMPARE(pictures.size(), 2);
    QCOMPARE(pictures[0].size, QSize(30, 20));
    QCOMPARE(pictures[1].size, QSize(100, 50));
    QVERIFY(tableText(topLevelTables(*back).value(0)).startsWith(u"c11\uFFFC|"_qs));
    for (const ShownPicture& shown : pictures) {
        QImage image;
        QVERIFY(image.loadFromData(shown.picture.data));
        QCOMPARE(image.size(), QSize(40, 20));
        QVERIFY(qRed(image.pixel(20, 10)) > 200 && qGreen(image.pixel(20, 10)) < 60);
    }
}

QTEST_MAIN(tst_rtf)
