// Opens rich-text files into an editor control in a shown window, each in a fresh process, and
// prints for each: the time until it is shown, the time until a key typed into it is shown, the
// longest the window went without handling its events meanwhile, and the time of further keys.
//   bench/make_rtf_cases.py DIR && rtf_open_bench DIR    every *.rtf file in DIR
//   rtf_open_bench FILE                                  one file in this process
//   ... --undo      then Select All, a key and Undo
// Runs headless unless QT_QPA_PLATFORM says otherwise.
#include "BenchSupport.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Keys in the middle of the paragraph at the caret, each shown before the next.
std::vector<double> typeKeys(platform::RichTextBox& box)
{
    std::vector<double> keys;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer key;
        key.start();
        QTest::keyClick(box.hwnd(), i % 10 == 9 ? Qt::Key_Backspace : Qt::Key_B);
        QApplication::processEvents();
        keys.push_back(double(key.nsecsElapsed()) / 1e6);
    }
    return keys;
}

int runOne(const QString& path, bool undo)
{
    platform::RichTextBox box;
    box.resize(900, 700);
    box.show();
    if (!QTest::qWaitForWindowExposed(&box))
        return 1;

    // The longest stretch without the event loop running, from the start of the load until the
    // first key has been shown.
    bench::PauseWatch watch;
    watch.start();

    QElapsedTimer timer;
    timer.start();
    try {
        box.LoadFile(path);
    } catch (...) {
        std::printf("%-16s not opened\n", qPrintable(QFileInfo(path).fileName()));
        return 1;
    }
    QApplication::processEvents();
    const qint64 shownMs = timer.elapsed();
    const qint64 loadPause = watch.stop();

    // Left alone for three seconds once shown, as someone reads the first screen: what laying
    // out the rest behind it costs the window.
    watch.start();
    QTest::qWait(3000);
    const qint64 idlePause = watch.stop();

    watch.start();
    box.SetFocus();
    box.setSelStart(box.TextLength() / 2);
    QTest::keyClick(box.hwnd(), Qt::Key_A);
    QApplication::processEvents();
    const qint64 keyedMs = timer.elapsed() - 3000;
    const qint64 keyPause = watch.stop();

    const bench::Spread spread(typeKeys(box));
    // What is left of laying out the whole document, as going to its end needs: under a
    // progress window once it takes a moment.
    QElapsedTimer rest;
    rest.start();
    watch.start();
    QTest::keyClick(box.hwnd(), Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    const double endMs = double(rest.nsecsElapsed()) / 1e6;
    const qint64 endPause = watch.stop();
    // The same keys once all of it is laid out: Qt no longer lays out more behind each one.
    box.setSelStart(box.TextLength() / 2);
    QApplication::processEvents();
    const bench::Spread laidOut(typeKeys(box));
    std::printf("%-16s %8lld chars: shown in %6lld ms, a key in the middle shown at %6lld ms (not "
                "counting 3 s left alone); further keys median %7.2f ms, max %7.2f ms; Ctrl+End "
                "%7.0f ms; keys once all is laid out median %7.2f ms.\n  Longest the window went without its events: loading %lld ms, left "
                "alone %lld ms, going to the middle and typing %lld ms, Ctrl+End %lld ms\n",
                qPrintable(QFileInfo(path).fileName()), static_cast<long long>(box.TextLength()),
                static_cast<long long>(shownMs), static_cast<long long>(keyedMs), spread.median(),
                spread.max(), endMs, laidOut.median(), static_cast<long long>(loadPause),
                static_cast<long long>(idlePause), static_cast<long long>(keyPause),
                static_cast<long long>(endPause));
    std::fflush(stdout);
    if (!undo)
        return 0;

    // Select All, a key over everything, and Undo, as someone who typed by mistake: the whole
    // document comes back.
    QElapsedTimer again;
    again.start();
    watch.start();
    QTest::keyClick(box.hwnd(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box.hwnd(), Qt::Key_X);
    QApplication::processEvents();
    QTest::keyClick(box.hwnd(), Qt::Key_Z, Qt::ControlModifier);
    QApplication::processEvents();
    std::printf("  Select All, a key and Undo: %lld ms, the window without its events for at most %lld ms\n",
                static_cast<long long>(again.elapsed()), static_cast<long long>(watch.stop()));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    bench::headlessUnlessSet();
    const bool undo = argc > 2 && std::strcmp(argv[2], "--undo") == 0;
    if (argc < 2 || (argc > 2 && !undo)) {
        std::fprintf(stderr, "usage: rtf_open_bench DIR|FILE [--undo] (make DIR with bench/make_rtf_cases.py)\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    if (!QFileInfo(target).isDir()) {
        QApplication app(argc, argv);
        return runOne(target, undo);
    }
    QCoreApplication app(argc, argv);
    const QDir dir(target);
    for (const QString& name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name)) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList args{dir.filePath(name)};
        if (undo)
            args << QStringLiteral("--undo");
        child.start(QCoreApplication::applicationFilePath(), args);
        child.waitForFinished(-1);
    }
    return 0;
}
