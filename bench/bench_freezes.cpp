// Long work on big documents in the real main window: for each, the longest the window went
// without handling its events, the whole time, and the memory taken on top of what the process
// held before it.
//   - Save As RTF of a plain document of many lines, and of one that is a single line;
//   - a quiet reload of a plain document whose file another program rewrote;
//   - one recovery copy of a changed rich document, and Save As RTF of it.
//   bench_freezes [--save=MB] [--reload=MB] [--rich=MB]
//   defaults:      50          1000          10        (0 skips that part)
#include "BenchSupport.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

namespace {

void writeText(const QString& path, int megabytes, bool oneLine, char mark)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray line = "The quick brown fox jumps over the lazy dog; 0123456789 abcdefghij.";
    line += mark;
    line += oneLine ? ' ' : '\n';
    QByteArray chunk;
    while (chunk.size() < (1 << 20))
        chunk += line;
    for (int i = 0; i < megabytes; ++i)
        f.write(chunk.constData(), 1 << 20);
}

// Runs work in the shown window and prints what it cost.
void measure(const char* what, const std::function<void()>& work)
{
    QApplication::processEvents();
    bench::resetPeak();
    const qint64 residentKb = bench::procStatusKb("VmRSS:");
    bench::PauseWatch watch;
    QElapsedTimer timer;
    watch.start();
    timer.start();
    work();
    const qint64 pause = watch.stop();
    std::printf("%-44s longest pause %5lld ms, all %6lld ms, %5.0f MB on top of %5.0f MB\n", what,
                pause, timer.elapsed(), double(bench::procStatusKb("VmHWM:") - residentKb) / 1024,
                double(residentKb) / 1024);
    std::fflush(stdout);
}

// A big plain file is read on beside the window: until its end, the window answers.
void waitForRead(frmDocument& doc)
{
    while (doc.rtfText->isReading())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

frmDocument* open(frmMain& main, const QString& path)
{
    frmDocument* doc = main.OpenFiles({path}, QStringLiteral("bench")) == 1 ? main.ActiveForm() : nullptr;
    if (doc)
        waitForRead(*doc);
    return doc;
}

void saveAsRtf(frmMain& main, const QTemporaryDir& dir, int megabytes, bool oneLine)
{
    const QString path = dir.filePath(oneLine ? QStringLiteral("line.txt") : QStringLiteral("lines.txt"));
    writeText(path, megabytes, oneLine, 'a');
    frmDocument* doc = open(main, path);
    if (!doc)
        return;
    const QString label = QStringLiteral("Save As RTF, %1 MB plain%2").arg(megabytes).arg(oneLine ? ", one line" : "");
    measure(qPrintable(label), [&] {
        doc->saveFile(dir.filePath(QStringLiteral("saved.rtf")), platform::RichTextBox::RichText);
    });
    doc->discardUnloaded();
    QFile::remove(dir.filePath(QStringLiteral("saved.rtf")));
}

void reload(frmMain& main, const QTemporaryDir& dir, int megabytes)
{
    const QString path = dir.filePath(QStringLiteral("reloaded.txt"));
    writeText(path, megabytes, false, 'a');
    frmDocument* doc = open(main, path);
    if (!doc)
        return;
    doc->rtfText->setSelStart(doc->rtfText->TextLength() / 2);
    writeText(path, megabytes, false, 'b'); // another program's version
    measure(qPrintable(QStringLiteral("quiet reload, %1 MB plain").arg(megabytes)),
            [&] {
                main.CheckDiskChanges(*doc);
                waitForRead(*doc);
            });
    doc->rtfText->setSelStart(67);
    doc->rtfText->setSelLength(1);
    if (doc->rtfText->SelText() != u"b")
        std::printf("  (the reload did not take the new text)\n");
    doc->discardUnloaded();
}

void richCopy(frmMain& main, const QTemporaryDir& dir, int megabytes)
{
    const QString path = dir.filePath(QStringLiteral("styled.rtf"));
    bench::writeRichFile(path, megabytes);
    frmDocument* doc = open(main, path);
    if (!doc)
        return;
    Recovery& recovery = main.recovery();
    platform::RichTextBox& box = *doc->rtfText;
    // The view lays the document out once it is shown: not part of the copy.
    QTest::qWait(5000);
    box.setSelStart(box.TextLength());
    box.setSelText(QStringLiteral("x"));
    bool written = false;
    const auto connection = QObject::connect(&recovery, &Recovery::copyWritten,
                                             [&](const QString&, bool) { written = true; });
    double flushMs = 0;
    measure(qPrintable(QStringLiteral("recovery copy, %1 MB rich").arg(megabytes)), [&] {
        QElapsedTimer flush;
        flush.start();
        recovery.flush();
        flushMs = flush.nsecsElapsed() / 1e6;
        if (!QTest::qWaitFor([&] { return written; }, 600000))
            std::printf("  (no copy written within 10 minutes)\n");
    });
    std::printf("  of which taking the copy on the program's thread: %.0f ms\n", flushMs);
    measure(qPrintable(QStringLiteral("Save As RTF, %1 MB rich").arg(megabytes)), [&] {
        doc->saveFile(dir.filePath(QStringLiteral("styled-copy.rtf")), platform::RichTextBox::RichText);
    });
    QObject::disconnect(connection);
    doc->discardUnloaded();
}

} // namespace

int main(int argc, char* argv[])
{
    bench::headlessUnlessSet();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int save = bench::arg(args, "--save", "50").toInt();
    const int reloadMb = bench::arg(args, "--reload", "1000").toInt();
    const int rich = bench::arg(args, "--rich", "10").toInt();

    QTemporaryDir dir;
    platform::Services services = bench::servicesIn(dir);
    std::unique_ptr<frmMain> main(modMain::Main(services, {}));
    if (!main || !QTest::qWaitForWindowExposed(main.get()))
        return 1;
    if (save > 0) {
        saveAsRtf(*main, dir, save, false);
        saveAsRtf(*main, dir, save, true);
    }
    if (reloadMb > 0)
        reload(*main, dir, reloadMb);
    if (rich > 0)
        richCopy(*main, dir, rich);
    for (frmDocument* doc : main->documents())
        doc->bIsDirty = false;
    main.reset();
    return 0;
}
