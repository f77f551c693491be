// Recovery copies while typing: types into a large document in the real main window at a
// person's pace, with copies taken at the usual delay, and prints how long each key took from
// its moment to being shown on screen (the goal: none over 16 ms). Then times one copy of a very
// large plain document and of a rich one: what the program's thread spends on it, and what the
// writer thread spends.
//   bench_recovery [--size=MB] [--seconds=S] [--interval=MS] [--big=MB] [--rich=MB]
//   defaults:       10          15            110             50         2
#include "BenchSupport.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void writePlain(const QString& path, int megabytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    const QByteArray line = "\tindented line of a program, some words and 0123456789\n";
    QByteArray chunk;
    while (chunk.size() < (1 << 20))
        chunk += line;
    for (int i = 0; i < megabytes; ++i)
        f.write(chunk);
}

// The moment the editor first paints after a key.
class PaintWatch final : public QObject {
public:
    PaintWatch(QWidget* view, const QElapsedTimer& clock) : view_(view), clock_(clock) {}
    qint64 paintedNs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedNs < 0 && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w == view_ || view_->isAncestorOf(w))
                paintedNs = clock_.nsecsElapsed();
        }
        return false;
    }

private:
    QWidget* view_;
    const QElapsedTimer& clock_;
};

// Runs the event loop until the given moment of clock.
void waitUntil(const QElapsedTimer& clock, qint64 msecs)
{
    const qint64 left = msecs - clock.elapsed();
    if (left <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(int(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Until no copy is due or being written any more.
void settle(Recovery& recovery)
{
    for (;;) {
        bool written = false;
        const auto connection = QObject::connect(&recovery, &Recovery::copyWritten,
                                                 [&](const QString&, bool) { written = true; });
        recovery.flush();
        QTest::qWait(1500);
        QObject::disconnect(connection);
        if (!written)
            return;
    }
}

// One copy of the active document, taken at once: milliseconds on the program's thread, and
// until the writer reports it written; and the memory it took on top of the document.
void timeOneCopy(frmMain& main, const char* what, int megabytes)
{
    Recovery& recovery = main.recovery();
    settle(recovery);
    bench::resetPeak();
    const qint64 residentKb = bench::procStatusKb("VmRSS:");
    platform::RichTextBox& box = *main.ActiveForm()->rtfText;
    box.setSelStart(box.TextLength());
    box.setSelText(QStringLiteral("x"));
    bool written = false;
    const auto connection = QObject::connect(&recovery, &Recovery::copyWritten,
                                             [&](const QString&, bool) { written = true; });
    QElapsedTimer timer;
    timer.start();
    recovery.flush();
    const double ui = timer.nsecsElapsed() / 1e6;
    const bool done = QTest::qWaitFor([&] { return written; }, 600000);
    const double total = timer.nsecsElapsed() / 1e6;
    QObject::disconnect(connection);
    if (!done) {
        std::printf("one copy of a %d MB %s document: not written within 10 minutes\n", megabytes, what);
        return;
    }
    std::printf("one copy of a %d MB %s document: %.1f ms on the program's thread, %.1f ms in the "
                "writer thread, %.0f MB of memory at its peak on top of the %.0f MB before it\n",
                megabytes, what, ui, total - ui,
                double(bench::procStatusKb("VmHWM:") - residentKb) / 1024, double(residentKb) / 1024);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int size = bench::arg(args, "--size", "10").toInt();
    const int seconds = bench::arg(args, "--seconds", "15").toInt();
    const int interval = bench::arg(args, "--interval", "110").toInt();
    const int big = bench::arg(args, "--big", "50").toInt();
    const int rich = bench::arg(args, "--rich", "2").toInt();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    writePlain(path, size);
    platform::Services services = bench::servicesIn(dir);
    std::unique_ptr<frmMain> main(modMain::Main(services, {path}));
    if (!main || !QTest::qWaitForWindowExposed(main.get()))
        return 1;
    Recovery& recovery = main->recovery();
    int copies = 0;
    QObject::connect(&recovery, &Recovery::copyWritten, [&](const QString&, bool ok) { copies += ok; });

    platform::RichTextBox& box = *main->ActiveForm()->rtfText;
    box.SetFocus();
    box.setSelStart(box.TextLength());
    QApplication::processEvents();
    QWidget* w = box.hwnd();

    // Keys at uneven gaps around the interval, words of a few letters, a new line now and then.
    std::vector<double> delays;
    QElapsedTimer clock;
    clock.start();
    PaintWatch watch(w, clock);
    app.installEventFilter(&watch);
    qint64 due = 0;
    quint32 seed = 12345;
    for (int i = 0; clock.elapsed() < qint64(seconds) * 1000; ++i) {
        seed = seed * 1103515245u + 12345u;
        due += interval / 2 + qint64(seed >> 16) % interval;
        waitUntil(clock, due);
        Qt::Key key = Qt::Key(Qt::Key_A + i % 26);
        if (i % 6 == 5)
            key = Qt::Key_Space;
        if (i % 60 == 59)
            key = Qt::Key_Return;
        watch.paintedNs = -1;
        QTest::keyClick(w, key);
        QApplication::processEvents();
        const qint64 shown = watch.paintedNs >= 0 ? watch.paintedNs : clock.nsecsElapsed();
        delays.push_back((shown - due * 1000000) / 1e6);
    }
    app.removeEventFilter(&watch);
    const int copiesWhileTyping = copies;
    const bench::Spread spread(delays);
    std::printf("typing %.0f s into a %d MB document, copies every %.1f s: %zu keys, %d copies "
                "written\n",
                seconds * 1.0, size, recovery.delay() / 1000.0, delays.size(), copiesWhileTyping);
    std::printf("key delay from its moment to shown: median %.2f ms, 99th %.2f ms, max %.2f ms; "
                "%zu keys over 16 ms\n",
                spread.median(), spread.at(0.99), spread.max(),
                size_t(std::count_if(delays.begin(), delays.end(), [](double d) { return d > 16; })));

    timeOneCopy(*main, "plain", size); // what each copy above took, between two keys

    const QString bigPath = dir.filePath(QStringLiteral("bigger.txt"));
    writePlain(bigPath, big);
    if (big > 0 && main->OpenFiles({bigPath}, QStringLiteral("bench")) == 1)
        timeOneCopy(*main, "plain", big);
    const QString richPath = dir.filePath(QStringLiteral("styled.rtf"));
    bench::writeRichFile(richPath, rich);
    if (rich > 0 && main->OpenFiles({richPath}, QStringLiteral("bench")) == 1)
        timeOneCopy(*main, "rich", rich);

    for (frmDocument* doc : main->documents())
        doc->bIsDirty = false;
    main.reset();
    return 0;
}
