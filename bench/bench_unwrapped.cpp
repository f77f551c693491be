// Shows large documents with word wrap off and prints what the keys a user presses there cost:
// opening and the first screen, End on a long line, keys typed at its end, paging sideways, and
// Ctrl+End. None of it may grow with the line's or the document's length. Last, a rich document
// of one paragraph with no place to break it, opened and typed at unwrapped.
//   bench_unwrapped [LINE_MB [FILE_MB [RICH_KB]]]   default: a 10 MB line, a 100 MB file of short
//                                                   lines, a 1024 KB rich paragraph
#include "BenchSupport.h"
#include "platform/RichTextBox.h"
#include "platform/text/PlainView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>

namespace {

double timed(const std::function<void()>& step, QWidget& view)
{
    QElapsedTimer t;
    t.start();
    step();
    view.repaint();
    QApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}

void report(const char* what, const std::vector<double>& v)
{
    const bench::Spread spread(v);
    std::printf("  %-34s median %8.3f ms, max %8.3f ms (%zu)\n", what, spread.median(), spread.max(), v.size());
}

// The box shown, its lines unwrapped, under a title.
bool showUnwrapped(platform::RichTextBox& box, const char* title)
{
    std::printf("%s\n", title);
    box.resize(900, 700);
    box.setWordWrap(false);
    box.show();
    return QTest::qWaitForWindowExposed(&box);
}

void run(const QString& path, const char* title)
{
    platform::RichTextBox box;
    if (!showUnwrapped(box, title))
        return;
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    QWidget& port = *view->viewport();
    report("open and first screen", {timed([&] { box.LoadFile(path); }, port)});
    box.SetFocus();
    report("End on the first line", {timed([&] { QTest::keyClick(view, Qt::Key_End); }, port)});
    std::vector<double> keys;
    for (int i = 0; i < 200; ++i)
        keys.push_back(timed([&] { QTest::keyClick(view, Qt::Key(Qt::Key_A + i % 26)); }, port));
    report("a key typed at its end", keys);
    report("Home", {timed([&] { QTest::keyClick(view, Qt::Key_Home); }, port)});
    std::vector<double> pages;
    for (int i = 0; i < 100; ++i)
        pages.push_back(timed([&] { view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); }, port));
    report("a page sideways", pages);
    report("the middle of the scroll range", {timed([&] {
        QScrollBar* side = view->horizontalScrollBar();
        side->setValue(side->maximum() / 2);
    }, port)});
    report("Ctrl+End", {timed([&] { QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier); }, port)});
    std::printf("  caret shown after Ctrl+End: %s\n", port.rect().contains(view->caretRect()) ? "yes" : "NO");
}

void runRich(const QString& path, const char* title)
{
    platform::RichTextBox box;
    if (!showUnwrapped(box, title))
        return;
    QWidget& port = *box.hwnd();
    report("open and first screen", {timed([&] { box.LoadFile(path); }, port)});
    box.SetFocus();
    report("Ctrl+End", {timed([&] { QTest::keyClick(box.hwnd(), Qt::Key_End, Qt::ControlModifier); }, port)});
    std::vector<double> keys;
    for (int i = 0; i < 20; ++i)
        keys.push_back(timed([&] { QTest::keyClick(box.hwnd(), Qt::Key(Qt::Key_A + i % 26)); }, port));
    report("a key typed at its end", keys);
}

} // namespace

int main(int argc, char** argv)
{
    bench::headlessUnlessSet();
    QApplication app(argc, argv);
    const int lineMb = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    const int fileMb = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 100;
    QTemporaryDir dir;
    const QString line = dir.filePath(QStringLiteral("line.txt")), file = dir.filePath(QStringLiteral("file.txt"));
    {
        QFile f(line);
        f.open(QIODevice::WriteOnly);
        const QByteArray words("a paragraph of prose on one line, some words and 0123456789 ");
        for (qint64 written = 0; written < qint64(lineMb) << 20; written += words.size())
            f.write(words);
    }
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        const QByteArray words("\tindented line of a program, some words and 0123456789 and more beyond the edge\n");
        for (qint64 written = 0; written < qint64(fileMb) << 20; written += words.size())
            f.write(words);
    }
    run(line, qPrintable(QStringLiteral("%1 MB on one line, word wrap off").arg(lineMb)));
    run(file, qPrintable(QStringLiteral("%1 MB of short lines, word wrap off").arg(fileMb)));
    const int richKb = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 1024;
    const QString rich = dir.filePath(QStringLiteral("rich.rtf"));
    {
        QFile f(rich);
        f.open(QIODevice::WriteOnly);
        f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ");
        f.write(QByteArray(qint64(richKb) << 10, 'x'));
        f.write("\\par}");
    }
    runRich(rich, qPrintable(QStringLiteral("a rich paragraph of %1 KB with no space, word wrap off").arg(richKb)));
    return 0;
}
