#include "tst_rtf.h"

#include "platform/RichTextBox.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "rtf_test_support.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextTable>
#include <QUrl>

using platform::rtf::RtfReader;
using platform::rtf::RtfWriter;

namespace {

// A red picture of the given size, encoded as PNG or JPEG.
QByteArray encodedImage(const char* format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

} // namespace

void tst_rtf::keepsPictures_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("data");    // the picture's bytes
    QTest::addColumn<QSize>("size");         // shown at, in pixels (15 twips each)
    QTest::addColumn<bool>("drawn");         // the image itself, not a grey box

    const QByteArray png = encodedImage("PNG", {40, 20});
    const QByteArray jpeg = encodedImage("JPEG", {40, 20});
    const QByteArray metafile("\x01\x00\x09\x00\x00\x03\xff\x7b\x00\x00", 10);
    auto picture = [](const QByteArray& words, const QByteArray& hex) {
        return "{\\rtf1\\ansi before {\\pict" + words + ' ' + hex + "} after\\par}";
    };
    QTest::newRow("png at its goal size")
        << picture("\\pngblip\\picw40\\pich20\\picwgoal1500\\pichgoal750", png.toHex()) << png
        << QSize(100, 50) << true;
    QTest::newRow("jpeg scaled")
        << picture("\\jpegblip\\picwgoal3000\\pichgoal1500\\picscalex50\\picscaley200",
                   jpeg.toHex().toUpper())
        << jpeg << QSize(100, 200) << true;
    QTest::newRow("png with no sizes at its own")
        << picture("\\pngblip", png.toHex()) << png << QSize(40, 20) << true;
    QTest::newRow("png as binary data")
        << picture("\\pngblip\\picwgoal600\\pichgoal300\\bin" + QByteArray::number(png.size()), png)
        << png << QSize(40, 20) << true;
    QTest::newRow("hex data broken into lines")
        << picture("\\pngblip\\picwgoal600\\pichgoal300",
                   png.toHex().insert(7, "\r\n").insert(40, "\n  "))
        << png << QSize(40, 20) << true;
    QTest::newRow("sizes out of bounds")
        << picture("\\pngblip\\picwgoal99999999999\\pichgoal-5\\picscaley-10", png.toHex()) << png
        << QSize(2112, 20) << true;
    QTest::newRow("metafile as a box of its extent")
        << picture("\\wmetafile8\\picw2540\\pich1270", metafile.toHex()) << metafile
        << QSize(96, 48) << false;
    QTest::newRow("damaged png as a box")
        << picture("\\pngblip\\picwgoal300\\pichgoal300", "89504e470d0a") << QByteArray("\x89PNG\r\n")
        << QSize(20, 20) << false;
    QTest::newRow("enhanced metafile in a table cell")
        << "{\\rtf1\\trowd\\cellx2000\\cellx4000\\intbl a\\cell {\\pict\\emfblip\\picwgoal450\\pichgoal300 "
           + metafile.toHex() + "}\\cell\\row after}"
        << metafile << QSize(30, 20) << false;
    QTest::newRow("picture that stands for an object")
        << "{\\rtf1 before {\\object\\objemb\\objw150{\\*\\objclass Paint}{\\*\\objdata 01050000}"
           "{\\result{\\pict\\dibitmap0\\picw10\\pich5\\picwgoal150\\pichgoal75 " + metafile.toHex()
           + "}}} after}"
        << metafile << QSize(10, 5) << false;
    QTest::newRow("picture and its stand-in for old readers")
        << "{\\rtf1 before {\\*\\shppict{\\pict\\pngblip\\picwgoal300\\pichgoal150 " + png.toHex()
           + "}}{\\nonshppict{\\pict\\wmetafile8\\picwgoal300\\pichgoal150 " + metafile.toHex()
           + "}} after}"
        << png << QSize(20, 10) << true;
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
    const bool inTable = !topLevelTables(document).isEmpty();
    if (inTable)
        QVERIFY(tableText(topLevelTables(document)[0]).contains(QChar::ObjectReplacementCharacter));

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
    QCOMPARE(normaliseSpace(reread->toPlainText()), normaliseSpace(document.toPlainText()));
    QCOMPARE(topLevelTables(*reread).isEmpty(), !inTable);
    QCOMPARE(RtfWriter::write(*reread), written);

    // Text typed just after the picture is text.
    at.clearSelection();
    at.insertText(u"typed"_qs);
    const auto typed = readRtf(RtfWriter::write(document));
    QCOMPARE(picturesIn(*typed).size(), 1);
    QVERIFY(typed->toPlainText().contains(QString(QChar::ObjectReplacementCharacter) + u"typed"_qs));
}

void tst_rtf::tellsWhatCannotBeKept_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("unkept");
    QTest::newRow("nothing") << QByteArray("{\\rtf1 text{\\*\\generator x;}{\\info{\\title t}}}")
                             << QString();
    QTest::newRow("empty header and footer")
        << QByteArray("{\\rtf1{\\header \\pard\\plain\\par}{\\footerf\\pard }text}") << QString();
    QTest::newRow("header with a page number")
        << QByteArray("{\\rtf1{\\header\\pard{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}text}")
        << u"headers and footers"_qs;
    QTest::newRow("header with a picture")
        << QByteArray("{\\rtf1{\\headerf{\\pict\\pngblip 89}}text}") << u"headers and footers"_qs;
    QTest::newRow("object, footnote, comment and text box")
        << QByteArray("{\\rtf1 a{\\object\\objemb{\\*\\objdata 0105}}b{\\super\\chftn}{\\footnote "
                      "\\pard\\'e9}c{\\*\\annotation\\pard \\u233?}"
                      "{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt \\pard boxed\\par}}}}")
        << u"embedded objects, footnotes, comments, text boxes"_qs;
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

void tst_rtf::editorTellsWhatSavingWouldLose()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"object.rtf"_qs);
    const QByteArray png = encodedImage("PNG", {8, 8});
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 a{\\object\\objemb{\\*\\objdata 0105}{\\result{\\pict\\pngblip " + png.toHex() +
               "}}}b}");
    file.close();

    platform::RichTextBox box;
    box.LoadFile(path);
    QCOMPARE(box.unkeptContent(), u"embedded objects"_qs);
    box.SaveFile(path);
    QCOMPARE(box.unkeptContent(), QString());
    box.LoadFile(path);   // what was saved keeps the picture, and nothing is left to lose
    QCOMPARE(box.unkeptContent(), QString());
    const QList<ShownPicture> pictures = picturesIn(*box.document());
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures[0].picture.data, png);
    box.SaveFile(path, platform::RichTextBox::PlainText);   // a picture is no character of text
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("ab"));
}
