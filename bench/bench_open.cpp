// Opens large plain-text files into an editor control in a shown window and prints the time
// until its first screen is painted (a big file's start is shown while the rest is read beside
// the window), the time until the whole text is shown and editable, the longest the window went
// without handling its events while loading, the time a typed key takes, the time a page of Page Down takes (wrapped at the
// window's edge), the time to save it again, and the process's peak
// memory.
//   bench_open                  runs 10 MB and 100 MB in lines and on one line, 100 MB and 1 GB of
//                               non-Latin UTF-8 lines, 500 MB and 1 GB, each in a fresh process
//   bench_open SIZE_MB [line|utf8|lines] [whole]  one size in this process ("line": the whole
//                               file is one line; "utf8": lines of Cyrillic and Chinese; "whole":
//                               read whole before anything is shown, as small files are)
#include "BenchSupport.h"
#include "platform/BackgroundRead.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <cstdio>
#include <vector>

namespace {

int runOne(int megabytes, bool oneLine, bool nonLatin)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        const QByteArray line = nonLatin
            ? QStringLiteral(u"Съешь же ещё этих мягких булок; 敏捷的棕色狐狸跳过了懒狗。\n").toUtf8()
            : oneLine
            ? QByteArray("The quick brown fox jumps over the lazy dog; 0123456789 abcdefghij. ")
            : QByteArray("The quick brown fox jumps over the lazy dog; 0123456789 abcdefghij.\n");
        QByteArray chunk;
        while (chunk.size() < (1 << 20))
            chunk += line;
        for (int i = 0; i < megabytes; ++i)
            f.write(chunk.constData(), 1 << 20);
    }
    // The machine's floor: the file's bytes read (from the page cache, where the open below finds
    // them too) and its lines counted, a megabyte at a time as `cat FILE | wc -l` does; the best of
    // two runs. The figures are also given as multiples of it.
    double floorMs = 1e9;
    qint64 floorLines = 0;
    for (int run = 0; run < 2; ++run) {
        QElapsedTimer floorTimer;
        floorTimer.start();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        floorLines = 0;
        for (qint64 n; (n = f.read(buffer.data(), buffer.size())) > 0;)
            floorLines += std::count(buffer.cbegin(), buffer.cbegin() + n, '\n');
        floorMs = std::min(floorMs, std::max(0.001, double(floorTimer.nsecsElapsed()) / 1e6));
    }

    const long before = bench::procStatusKb("VmHWM:");
    platform::RichTextBox box;
    box.resize(900, 700);
    box.show();
    if (!QTest::qWaitForWindowExposed(&box))
        return 1;

    // The longest stretch without the event loop running, while the file loads.
    bench::PauseWatch watch;
    watch.start();
    QElapsedTimer timer;
    timer.start();
    box.LoadFile(path);
    QApplication::processEvents();
    box.Refresh();
    const qint64 firstMs = timer.elapsed();
    while (box.isReading())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 loadPause = watch.stop();
    QApplication::processEvents();
    box.setSelStart(box.TextLength()); // the end is reachable: laid out and editable
    box.setSelText(QStringLiteral("x"));
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();

    // Keys typed in the middle of the text, each shown before the next.
    box.SetFocus();
    box.setSelStart(box.TextLength() / 2);
    std::vector<double> keys;
    for (int i = 0; i < 40; ++i) {
        QElapsedTimer key;
        key.start();
        QTest::keyClick(box.hwnd(), i % 10 == 9 ? Qt::Key_Return : Qt::Key_A);
        box.Refresh();
        QApplication::processEvents();
        keys.push_back(double(key.nsecsElapsed()) / 1e6);
    }
    const bench::Spread keySpread(keys);

    // Page Down held from the top: each page shown before the next.
    box.setSelStart(0);
    QApplication::processEvents();
    std::vector<double> pages;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer page;
        page.start();
        QTest::keyClick(box.hwnd(), Qt::Key_PageDown);
        box.Refresh();
        QApplication::processEvents();
        pages.push_back(double(page.nsecsElapsed()) / 1e6);
    }
    const bench::Spread pageSpread(pages);

    // Find from the top of a text that is not there: every character looked at.
    box.setSelStart(0);
    QElapsedTimer finding;
    finding.start();
    const bool found = box.Find(QStringLiteral("not in the file"), 0) >= 0;
    const qint64 findMs = finding.elapsed();

    // Saving it again, beside the window, with the window's longest pause.
    watch.start();
    QElapsedTimer saving;
    saving.start();
    box.SaveFile(dir.filePath(QStringLiteral("saved.txt")), platform::RichTextBox::PlainText);
    const qint64 saveMs = saving.elapsed();
    const qint64 savePause = watch.stop();
    const long peak = bench::procStatusKb("VmHWM:");

    std::printf("open %4d MB %s: first screen in %lld ms, %6lld ms until shown whole and editable; "
                "window without events for at most %lld ms while loading; a key in the middle: median %.2f ms, max %.2f ms; "
                "Page Down held: median %.2f ms, max %.2f ms; "
                "saved in %lld ms (window without events for at most %lld ms); "
                "peak memory %ld MB (%.1f x file size; %ld MB before loading)\n",
                megabytes, nonLatin ? "non-Latin  " : oneLine ? "on one line" : "in lines   ",
                static_cast<long long>(firstMs), static_cast<long long>(ms),
                static_cast<long long>(loadPause), keySpread.median(), keySpread.max(),
                pageSpread.median(), pageSpread.max(),
                static_cast<long long>(saveMs), static_cast<long long>(savePause), peak / 1024, double(peak - before) / 1024.0 / megabytes, before / 1024);
    std::printf("    the machine's floor (read the bytes, count %lld lines): %.0f ms; first screen %.2f x, "
                "shown whole and editable %.1f x the floor, Find from the top %lld ms (%.1f x%s), saved %.1f x\n",
                static_cast<long long>(floorLines), floorMs, double(firstMs) / floorMs, double(ms) / floorMs,
                static_cast<long long>(findMs), double(findMs) / floorMs, found ? ", FOUND" : "",
                double(saveMs) / floorMs);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1) {
        QApplication app(argc, argv);
        if (argc > 2 && qstrcmp(argv[argc - 1], "whole") == 0) {
            // For comparison: read whole under a progress window before anything is shown.
            platform::BackgroundReadSizes sizes;
            sizes.fromBytes = std::numeric_limits<qint64>::max();
            platform::setBackgroundReadSizes(sizes);
        }
        return runOne(QString::fromLocal8Bit(argv[1]).toInt(),
                      argc > 2 && qstrcmp(argv[2], "line") == 0,
                      argc > 2 && qstrcmp(argv[2], "utf8") == 0);
    }
    QCoreApplication app(argc, argv);
    const QList<QStringList> runs = {{"10"},  {"10", "line"}, {"100"},         {"100", "line"},
                                     {"100", "utf8"}, {"500"}, {"1000"}, {"1000", "utf8"}};
    for (const QStringList& run : runs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), run);
        child.waitForFinished(-1);
    }
    return 0;
}
