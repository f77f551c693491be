// The plain-text store alone, on a UTF-8 file of SIZE_MB (100 unless given) in CRLF lines of 60
// characters, or in one line with "line": decoding it into the store, a key in the middle and at
// the end, a search that matches near the end, a snapshot, encoding it back, and the bytes the
// store holds per byte of the file.
//
//   build-rel/bench_textstore [SIZE_MB] [line]
#include "platform/text/TextFiles.h"
#include "platform/text/TextStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

qint64 peakKb() { return statusKb("VmHWM:"); }

qint64 residentKb() { return statusKb("VmRSS:"); }

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype megabytes = args.size() > 1 ? args[1].toLongLong() : 100;
    const bool oneLine = args.contains(QStringLiteral("line"));
    const qsizetype size = megabytes * 1024 * 1024;

    QByteArray file;
    file.reserve(size);
    const QByteArray line = "The quick brown fox jumps over the lazy dog, 0123456789.";
    while (file.size() + line.size() + 2 < size)
        file += oneLine ? line + ' ' : line + "\r\n";
    file += "needle";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(file);
    }
    const qint64 before = residentKb();

    platform::TextStore store;
    QElapsedTimer t;
    t.start();
    const platform::TextFormat format = platform::decodeFileInto(path, store);
    const double load = ms(t);
    const qint64 held = residentKb() - before;
    t.restart();
    const bool same = platform::encodeText(store.snapshot(), format) == file;
    const double save = ms(t);

    std::vector<double> keys;
    for (int i = 0; i < 2000; ++i) {
        t.restart();
        store.insert(i % 2 ? store.length() / 2 + i : store.length(), u"x", true);
        keys.push_back(ms(t));
    }
    std::sort(keys.begin(), keys.end());

    t.restart();
    const qsizetype found = store.find(u"needle", 0);
    const double find = ms(t);
    t.restart();
    // Let go before the edits below, which would otherwise copy every leaf the snapshot shares.
    const qsizetype snapLength = store.snapshot().length();
    const double snap = ms(t);
    t.restart();
    store.undo();
    const double undo = ms(t);

    // A Replace All of "fox" (one a line): the matches of each stretch of text found, then
    // replaced at once, as the editor does it.
    const qint64 beforeReplace = residentKb();
    t.restart();
    store.beginGroup();
    qsizetype replaced = 0;
    double longestPart = 0; // the window paints between parts
    constexpr qsizetype kStretch = 2 * 1024 * 1024;
    for (qsizetype from = 0; from < store.length();) {
        const qsizetype end = std::min(store.length(), from + kStretch);
        std::vector<qsizetype> offsets;
        qsizetype next = end;
        for (qsizetype at = store.find(u"fox", from); at >= 0 && at < end; at = store.find(u"fox", at + 3)) {
            offsets.push_back(at);
            next = std::max(end, at + 3);
        }
        QElapsedTimer part;
        part.start();
        store.replaceEach(offsets, 3, u"wolf");
        longestPart = std::max(longestPart, ms(part));
        replaced += qsizetype(offsets.size());
        from = next + qsizetype(offsets.size());
    }
    store.endGroup();
    const double replaceAll = ms(t);
    const qint64 replaceHeld = residentKb() - beforeReplace;
    t.restart();
    store.undo();
    const double undoAll = ms(t);
    t.restart();
    store.redo();
    const double redoAll = ms(t);
    // The editor undoes it in parts, one change of a stretch at least between paints.
    store.startInParts(false);
    for (bool more = true; more;) {
        QElapsedTimer part;
        part.start();
        bool once = true;
        more = store.applyPart([&] { return std::exchange(once, false); });
        longestPart = std::max(longestPart, ms(part));
    }
    store.finishInParts(false);

    // Select All and a key, then its undo: the whole text out and back in.
    t.restart();
    store.replace(0, store.length(), u"x");
    const double overAll = ms(t);
    t.restart();
    store.undo();
    const double undoOverAll = ms(t);
    const qint64 peak = peakKb();

    std::printf("text store, %lld MB %s (%lld lines)\n", qlonglong(megabytes),
                oneLine ? "in one line" : "in lines of 60", qlonglong(store.lineCount()));
    std::printf("  decode          %8.1f ms, %.2f bytes held per byte of the file\n", load,
                double(held) * 1024.0 / double(size));
    std::printf("  encode back     %8.1f ms, %s\n", save, same ? "the same bytes" : "OTHER BYTES");
    std::printf("  key             %8.3f ms median, %.3f ms 99th, %.3f ms max\n",
                keys[keys.size() / 2], keys[keys.size() * 99 / 100], keys.back());
    std::printf("  find near end   %8.1f ms (found: %s)\n", find, found > 0 ? "yes" : "no");
    std::printf("  snapshot        %8.3f ms, %lld characters\n", snap, qlonglong(snapLength));
    std::printf("  undo of typing  %8.3f ms\n", undo);
    std::printf("  replace all     %8.1f ms for %lld matches, holding %.0f bytes a match for its undo; "
                "its undo %.1f ms, its redo %.1f ms; longest part between paints %.1f ms\n",
                replaceAll, qlonglong(replaced), double(replaceHeld) * 1024.0 / double(std::max<qsizetype>(replaced, 1)),
                undoAll, redoAll, longestPart);
    std::printf("  key over all    %8.1f ms; its undo %.1f ms; peak memory %.1f x the file\n", overAll,
                undoOverAll, double(peak) * 1024.0 / double(size));
    return 0;
}
