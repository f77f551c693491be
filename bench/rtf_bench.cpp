// Measures loading and saving a 10 MB rich-text file: time and peak memory of each; then the same
// for a file of pictures, and for one full of what the document keeps but cannot show.
// Usage: rtf_bench [megabytes] [file to save the generated RTF to]
#include "BenchSupport.h"

#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdio>

namespace {

// A file like the ones people keep: formatted paragraphs in several scripts, now and then a table.
QByteArray generate(qsizetype bytes)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss DejaVu Sans;}"
                     "{\\f1\\froman DejaVu Serif;}{\\f2\\fcharset204 DejaVu Sans;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}\n";
    const QByteArray paragraphs[] = {
        "\\pard\\plain\\qj\\sa120 The {\\b quick} brown {\\i\\cf1 fox} jumps over the "
        "{\\ul lazy} dog; caf\\'e9, na\\'efve, \\u8364? 12,50.\\par\n",
        "\\pard\\plain\\li720\\fi-360 {\\f1\\fs28 Serif heading} with {\\strike struck} and "
        "{\\highlight2 marked} words\\tab and a tab.\\par\n",
        "\\pard\\plain\\qc {\\f2 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\'ec\\'e8\\'f0} \\u-10179?\\u-8704? "
        "\\u26085?\\u26412?\\u35486?\\par\n",
    };
    const QByteArray table =
        "\\trowd\\cellx3000\\cellx6000\\cellx9000\\pard\\plain\\intbl one\\cell {\\b two}\\cell "
        "three\\cell\\row\\pard\\plain\n";
    rtf.reserve(bytes + 1024);
    for (int i = 0; rtf.size() < bytes; ++i)
        rtf += i % 200 == 199 ? table : paragraphs[i % 3];
    rtf += "}\n";
    return rtf;
}

// Photographs as a word processor keeps them: 24 JPEG pictures of 1200 x 900 pixels, noisy so
// that they compress little, each in a paragraph of text.
QByteArray generatePictures(QList<QByteArray>& pictures)
{
    QRandomGenerator random(7);
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}\n";
    for (int i = 0; i < 24; ++i) {
        QImage image(1200, 900, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = 0xFF000000u | ((x * 255 / 1200) << 16) | (random.generate() & 0x3F3F3F);
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 90);
        pictures << buffer.data();
        rtf += "\\pard Picture " + QByteArray::number(i) +
               ": {\\pict\\jpegblip\\picw1200\\pich900\\picwgoal7200\\pichgoal5400\n" +
               buffer.data().toHex() + "}\\par\n";
    }
    rtf += "}\n";
    return rtf;
}

void measurePictures()
{
    QList<QByteArray> pictures;
    const QByteArray rtf = generatePictures(pictures);
    qint64 bytes = 0;
    for (const QByteArray& picture : pictures)
        bytes += picture.size();
    std::printf("\npictures: %lld JPEG pictures of %.0f KB on average, RTF file %.1f MB\n",
                qint64(pictures.size()), bytes / 1024.0 / double(pictures.size()), rtf.size() / 1048576.0);
    const qint64 base = bench::procStatusKb("VmRSS:");
    bench::resetPeak();
    QElapsedTimer timer;
    timer.start();
    QTextDocument document;
    platform::rtf::RtfReader::read(rtf, document);
    const qint64 loadMs = timer.elapsed();
    const qint64 peak = bench::procStatusKb("VmHWM:");
    timer.restart();
    const QByteArray saved = platform::rtf::RtfWriter::write(document);
    const qint64 saveMs = timer.elapsed();
    QTextDocument again;
    platform::rtf::RtfReader::read(saved, again);
    QList<QByteArray> kept;
    for (QTextBlock block = again.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (platform::rtf::Picture picture; platform::rtf::pictureOf(it.fragment().charFormat(), &picture))
                kept << picture.data;
    std::printf("pictures load: %lld ms (images decoded at their shown size), peak memory %.1f MB "
                "above %.1f MB before\n",
                loadMs, (peak - base) / 1024.0, base / 1024.0);
    std::printf("pictures save: %lld ms, %.1f MB written; every picture's bytes kept: %s\n", saveMs,
                saved.size() / 1048576.0, kept == pictures ? "yes" : "NO");
}

// What the document cannot show, in every paragraph: a bookmark, a footnote with its mark, a
// comment and a page number field, kept as read and written back in place.
void measureKept(qsizetype bytes)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}{\\f1 DejaVu Serif;}}"
                     "\\paperw11906\\margl1134{\\header \\pard\\plain Head\\par}\n";
    // Bookmarks of different names: markers whose formats differ only in what they keep.
    const QByteArray paragraph =
        "\\pard\\plain {\\*\\bkmkstart b%1}Text{\\*\\bkmkend b%1} with a note{\\super\\chftn}"
        "{\\footnote\\pard\\plain{\\super\\chftn} {\\f1 Caf\\'e9} note.} and a comment{\\*\\atnid Q}"
        "\\chatn{\\*\\annotation\\pard Comment.} on page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}.\\par\n";
    for (int i = 0; rtf.size() < bytes; ++i)
        rtf += QByteArray(paragraph).replace("%1", QByteArray::number(i));
    rtf += "}\n";
    QElapsedTimer timer;
    timer.start();
    QTextDocument document;
    platform::rtf::RtfReader::read(rtf, document);
    const qint64 loadMs = timer.elapsed();
    timer.restart();
    const QByteArray saved = platform::rtf::RtfWriter::write(document);
    const qint64 saveMs = timer.elapsed();
    std::printf("\nkept groups: RTF file %.1f MB, %lld footnotes\n", rtf.size() / 1048576.0,
                qint64(rtf.count("\\footnote")));
    std::printf("kept load: %lld ms; save: %lld ms; every footnote, comment and field written back: %s\n",
                loadMs, saveMs,
                saved.count("\\footnote") == rtf.count("\\footnote") &&
                        saved.count("\\annotation") == rtf.count("\\annotation") &&
                        saved.count("fldinst PAGE") == rtf.count("fldinst PAGE")
                    ? "yes"
                    : "NO");
}

} // namespace

int main(int argc, char** argv)
{
    bench::headlessUnlessSet();
    QGuiApplication app(argc, argv);
    const double megabytes = argc > 1 ? QByteArray(argv[1]).toDouble() : 10.0;
    const QByteArray rtf = generate(qsizetype(megabytes * 1024 * 1024));
    if (argc > 2) {
        QFile out(QString::fromLocal8Bit(argv[2]));
        if (out.open(QIODevice::WriteOnly))
            out.write(rtf);
    }
    std::printf("RTF file: %.1f MB\n", rtf.size() / 1048576.0);

    QTextDocument document;
    const qint64 baseLoad = bench::procStatusKb("VmRSS:");
    bench::resetPeak();
    QElapsedTimer timer;
    timer.start();
    QString warning;
    const bool ok = platform::rtf::RtfReader::read(rtf, document, &warning);
    const qint64 loadMs = timer.elapsed();
    const qint64 loadPeak = bench::procStatusKb("VmHWM:");
    std::printf("load: %lld ms, %d paragraphs, %lld characters%s\n", loadMs, document.blockCount(),
                qint64(document.characterCount()), ok ? "" : " (failed)");
    std::printf("load peak memory: %.1f MB above %.1f MB before (%.1f times the file)\n",
                (loadPeak - baseLoad) / 1024.0, baseLoad / 1024.0,
                (loadPeak - baseLoad) * 1024.0 / rtf.size());

    const qint64 baseSave = bench::procStatusKb("VmRSS:");
    bench::resetPeak();
    timer.restart();
    const QByteArray saved = platform::rtf::RtfWriter::write(document);
    const qint64 saveMs = timer.elapsed();
    const qint64 savePeak = bench::procStatusKb("VmHWM:");
    std::printf("save: %lld ms, %.1f MB written\n", saveMs, saved.size() / 1048576.0);
    std::printf("save peak memory: %.1f MB above %.1f MB before (%.1f times the file)\n",
                (savePeak - baseSave) / 1024.0, baseSave / 1024.0,
                (savePeak - baseSave) * 1024.0 / rtf.size());
    std::printf("process peak memory (VmHWM): %.1f MB\n", bench::procStatusKb("VmHWM:") / 1024.0);
    measurePictures();
    measureKept(qsizetype(megabytes * 1024 * 1024));
    return ok ? 0 : 1;
}
