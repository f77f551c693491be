// Measures loading and saving a 10 MB rich-text file: time and peak memory of each.
// Usage: rtf_bench [megabytes] [file to save the generated RTF to]
#include "BenchSupport.h"

#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

namespace {

// Starts a new peak: VmHWM then reports the highest resident size from here on.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

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
    resetPeak();
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
    resetPeak();
    timer.restart();
    const QByteArray saved = platform::rtf::RtfWriter::write(document);
    const qint64 saveMs = timer.elapsed();
    const qint64 savePeak = bench::procStatusKb("VmHWM:");
    std::printf("save: %lld ms, %.1f MB written\n", saveMs, saved.size() / 1048576.0);
    std::printf("save peak memory: %.1f MB above %.1f MB before (%.1f times the file)\n",
                (savePeak - baseSave) / 1024.0, baseSave / 1024.0,
                (savePeak - baseSave) * 1024.0 / rtf.size());
    std::printf("process peak memory (VmHWM): %.1f MB\n", bench::procStatusKb("VmHWM:") / 1024.0);
    return ok ? 0 : 1;
}
