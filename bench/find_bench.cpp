// Cost of Find / Replace in large documents, in a shown main window.
//
//   find_bench [--replace-mb=5] [--matches=100000] [--long-line-kb=256] [--large-mb=100] [--steps=20]
//
// Replace All: a document of replace-mb megabytes holding `matches` occurrences of the search
// word (several on a line when there are more than lines), replaced through the dialog's Replace All button; the time of the click, the paints of
// the editor while it runs, and the time of undoing it in one step. Then Replace All on a document
// that is one long line.
// Find / Next and F3: a document of large-mb megabytes whose occurrences are all near its end;
// the first Find (which reads the whole document up to them), then each Next and each F3, with
// the repaint that follows it (median and worst, milliseconds).
// Marks and count: on that document, a paint of the window with and without every shown "fox"
// marked; the count of its matches over a snapshot (the work of the counting thread); and from a
// Find click to "Match 1 of N" in the status bar, with the longest the window went without
// handling its events meanwhile.
// Runs headless unless QT_QPA_PLATFORM says otherwise.

#include "app/modMain.h"
#include "document/frmDocument.h"
#include "find/frmFind.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QAbstractScrollArea>
#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTemporaryDir>
#include <QTextDocument>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>

namespace {

// Messages are counted, never shown: a benchmark must not wait for a person.
class CountedMessages final : public platform::MessageBox {
public:
    QStringList prompts;
    platform::Answer show(QWidget*, const QString& prompt, platform::Buttons, platform::Icon,
                          const QString&) override
    {
        prompts << prompt;
        return platform::Answer::Ok;
    }
};

// The dialog, worked by the benchmark instead of a person.
class ScriptedModal final : public platform::Modal {
public:
    std::function<void(frmFind&)> script;
    int exec(QDialog& window) override
    {
        window.show();
        if (script)
            script(static_cast<frmFind&>(window));
        if (window.isVisible())
            window.reject();
        return window.result();
    }
};

class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

// Lines of 52 characters; from line `first` on, every `every`-th line holds the word, `count`
// times in all.
QByteArray text(qint64 bytes, qint64 first, qint64 every, qint64 count)
{
    static const QByteArray plain = "The quick brown fox looks for a pin in the hay now.\n";
    static const QByteArray word = "The quick brown fox finds a needle in the haystack.\n";
    QByteArray out;
    out.reserve(bytes + 64);
    for (qint64 line = 0; out.size() < bytes; ++line) {
        const bool with = line >= first && (line - first) % every == 0 && (line - first) / every < count;
        out += with ? word : plain;
    }
    return out;
}

// Lines of 52 characters, each holding the word perLine times.
QByteArray dense(qint64 bytes, qint64 perLine)
{
    QByteArray line;
    for (qint64 i = 0; i < perLine; ++i)
        line += "needle ";
    line += QByteArray("in the hay of the quick brown fox and the lazy dog, at last.").left(
        std::max<qint64>(0, 51 - line.size()));
    line += '\n';
    QByteArray out;
    out.reserve(bytes + line.size());
    while (out.size() < bytes)
        out += line;
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void report(const char* what, const std::vector<double>& v)
{
    if (v.empty())
        return;
    const bench::Spread spread(v);
    std::printf("  %-44s median %8.2f ms   worst %8.2f ms   (%zu steps)\n", what, spread.median(),
                spread.max(), v.size());
}

// F3 as the keyboard gives it: its press arms the repeat search, its release runs it.
void pressF3(frmMain& main)
{
    frmDocument* doc = main.ActiveForm();
    doc->armRepeatSearch(true);
    doc->rtfText_KeyUp(114, 0);
}

} // namespace

int main(int argc, char** argv)
{
    bench::headlessUnlessSet();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double replaceMb = bench::arg(args, "--replace-mb", "5").toDouble();
    const qint64 matches = bench::arg(args, "--matches", "100000").toLongLong();
    const double largeMb = bench::arg(args, "--large-mb", "100").toDouble();
    const int steps = std::max(1, bench::arg(args, "--steps", "20").toInt());
    const double longLineKb = bench::arg(args, "--long-line-kb", "256").toDouble();

    QTemporaryDir dir;
    platform::Services services;
    auto messages = std::make_unique<CountedMessages>();
    CountedMessages& said = *messages;
    auto modal = std::make_unique<ScriptedModal>();
    ScriptedModal& dialog = *modal;
    services.messages = std::move(messages);
    services.modal = std::move(modal);
    services.settings = std::make_unique<platform::SettingsStore>(dir.path());
    services.process = std::make_unique<platform::QtProcess>();
    services.dialogs = std::make_unique<platform::QtDialogs>();
    services.clock = std::make_unique<platform::SystemClock>();

    frmMain main(services, {});
    bench::showMainWindow(main);
    platform::RichTextBox& rtf = *main.ActiveForm()->rtfText;
    PaintCounter painted;
    static_cast<QAbstractScrollArea*>(rtf.hwnd())->viewport()->installEventFilter(&painted);
    QElapsedTimer t;

    // Replace All.
    {
        const qint64 bytes = qint64(replaceMb * 1024 * 1024);
        const qint64 lines = bytes / 52;
        const qint64 every = std::max<qint64>(1, lines / std::max<qint64>(1, matches));
        const QString file = dir.filePath("replace.txt");
        if (!writeFile(file, matches > lines ? dense(bytes, (matches + lines - 1) / lines)
                                             : text(bytes, 0, every, matches)))
            return 1;
        t.start();
        rtf.LoadFile(file);
        const double loadMs = ms(t);
        settle();
        const qsizetype found = rtf.Text().count(QStringLiteral("needle"));
        double replaceMs = 0;
        int paints = 0;
        // The longest the program went without handling its events, whether the progress window
        // showed, and (when cancelAfterMs is set) its Cancel clicked that long after the start.
        qint64 longestPause = 0;
        bool progressShown = false;
        double cancelAfterMs = 0, cancelledAtMs = 0;
        QElapsedTimer sinceTick;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestPause = std::max(longestPause, sinceTick.restart());
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            progressShown |= progress != nullptr;
            if (progress && cancelAfterMs > 0 && ms(t) >= cancelAfterMs && cancelledAtMs == 0) {
                cancelledAtMs = ms(t);
                progress->cancel();
            }
        });
        dialog.script = [&](frmFind& d) {
            d.txtFindString->setText("needle");
            d.txtReplaceString->setText("pin");
            settle();
            painted.paints = 0;
            longestPause = 0;
            progressShown = false;
            tick.start(5);
            sinceTick.start();
            t.restart();
            d.cmdReplaceAll->click();
            replaceMs = ms(t);
            longestPause = std::max(longestPause, sinceTick.elapsed());
            tick.stop();
            paints = painted.paints;
            d.cmdCancel->click();
        };
        main.mnuEditReplace_Click();
        const qsizetype left = rtf.Text().count(QStringLiteral("needle"));
        t.restart();
        settle();
        const double repaintMs = ms(t);
        t.restart();
        rtf.undo();
        const double undoMs = ms(t);
        const bool restored = rtf.Text().count(QStringLiteral("needle")) == found;
        std::printf("Replace All: %.1f MB, %lld occurrences (loaded in %.0f ms)\n",
                    bytes / 1048576.0, static_cast<long long>(found), loadMs);
        std::printf("  click to end %10.0f ms   paints of the editor while it ran: %d\n", replaceMs, paints);
        std::printf("  repaint after %9.0f ms   occurrences left: %lld\n", repaintMs,
                    static_cast<long long>(left));
        std::printf("  undo in one step %6.0f ms   text restored: %s\n", undoMs, restored ? "yes" : "NO");
        std::printf("  while it ran: progress window %s, events not handled for at most %lld ms\n",
                    progressShown ? "shown" : "not shown", static_cast<long long>(longestPause));
        // Once more, cancelled halfway through its time.
        settle();
        cancelAfterMs = std::max(1.0, replaceMs / 2);
        main.mnuEditReplace_Click();
        const bool same = rtf.Text().count(QStringLiteral("needle")) == found;
        std::printf("  cancelled after %.0f ms: back to the text as it was in %.0f ms more (%s), "
                    "events not handled for at most %lld ms\n\n",
                    cancelledAtMs, replaceMs - cancelledAtMs, same ? "text as before" : "TEXT CHANGED",
                    static_cast<long long>(longestPause));
        cancelAfterMs = 0;
        settle();
    }

    // Replace All on one long line (a minified file): every Find reads the line again.
    if (longLineKb > 0) {
        const qint64 bytes = qint64(longLineKb * 1024);
        QByteArray line;
        line.reserve(bytes + 16);
        while (line.size() < bytes)
            line += "{\"key\":\"needle\",\"n\":1},"; // 26 characters, one match
        const QString file = dir.filePath("line.txt");
        if (!writeFile(file, line))
            return 1;
        rtf.LoadFile(file);
        settle();
        const qsizetype found = rtf.Text().count(QStringLiteral("needle"));
        double replaceMs = 0;
        dialog.script = [&](frmFind& d) {
            d.txtFindString->setText("needle");
            d.txtReplaceString->setText("pin");
            t.restart();
            d.cmdReplaceAll->click();
            replaceMs = ms(t);
            d.cmdCancel->click();
        };
        main.mnuEditReplace_Click();
        std::printf("Replace All on one line of %.0f KB, %lld occurrences: %.0f ms\n\n", bytes / 1024.0,
                    static_cast<long long>(found), replaceMs);
        settle();
    }

    // Find / Next and F3 near the end of a large document.
    {
        const qint64 bytes = qint64(largeMb * 1024 * 1024);
        const qint64 lines = bytes / 52;
        const QString file = dir.filePath("large.txt");
        // Enough occurrences near the end for the Next steps and then the F3 steps.
        const qint64 count = 2 * steps + 2;
        if (!writeFile(file, text(bytes, lines - 3 * count - 3, 3, count)))
            return 1;
        t.restart();
        rtf.LoadFile(file);
        const double loadMs = ms(t);
        settle();
        std::printf("Find / Next and F3: %.1f MB, %lld characters (loaded in %.0f ms)\n",
                    bytes / 1048576.0, static_cast<long long>(rtf.TextLength()), loadMs);
        double firstMs = 0;
        qsizetype firstAt = -1;
        std::vector<double> next, f3;
        dialog.script = [&](frmFind& d) {
            d.txtFindString->setText("needle");
            t.restart();
            d.cmdFind->click();
            settle();
            firstMs = ms(t);
            firstAt = rtf.SelStart();
            for (int i = 0; i < steps; ++i) {
                t.restart();
                d.cmdFind->click();
                settle();
                next.push_back(ms(t));
            }
            d.cmdCancel->click();
        };
        main.mnuEditFind_Click();
        std::printf("  first Find, from the top to offset %-9lld %8.0f ms\n",
                    static_cast<long long>(firstAt), firstMs);
        report("Next", next);
        rtf.SetFocus();
        said.prompts.clear();
        for (int i = 0; i < steps; ++i) {
            t.restart();
            pressF3(main);
            settle();
            f3.push_back(ms(t));
        }
        report("F3", f3);
        std::printf("  messages during the F3 steps: %lld\n", static_cast<long long>(said.prompts.size()));
        // To the last occurrence and past it (the message); then round from the top, which reads
        // the whole document again.
        t.restart();
        pressF3(main);
        pressF3(main);
        settle();
        std::printf("  F3 to the last one, F3 past it (message)    %8.2f ms, %lld message(s)\n", ms(t),
                    static_cast<long long>(said.prompts.size()));
        t.restart();
        pressF3(main);
        settle();
        std::printf("  F3 round from the top to offset %-12lld %8.0f ms, %lld message(s) in all\n",
                    static_cast<long long>(rtf.SelStart()), ms(t),
                    static_cast<long long>(said.prompts.size()));

        // Marks and the count of "fox", which every line but the needle's holds.
        QWidget* viewport = static_cast<QAbstractScrollArea*>(rtf.hwnd())->viewport();
        std::vector<double> bare, marked;
        for (const bool marks : {false, true}) {
            rtf.setMatchMarks(marks ? QStringLiteral("fox") : QString(), 0);
            for (int i = 0; i < steps; ++i) {
                t.restart();
                viewport->repaint();
                (marks ? marked : bare).push_back(ms(t));
            }
        }
        std::printf("Marks and count of \"fox\" in the same document\n");
        report("paint of the window, no marks", bare);
        report("paint of the window, every match marked", marked);
        const std::atomic_bool go{false};
        t.restart();
        const platform::RichTextBox::MatchTally tally = rtf.matchCounter(QStringLiteral("fox"), 0, 0)(go);
        std::printf("  count over a snapshot (the counting thread) %8.0f ms, %lld matches\n", ms(t),
                    static_cast<long long>(tally.total));
        double clickMs = 0, countedMs = 0;
        qint64 pause = 0;
        QString said1, said2;
        dialog.script = [&](frmFind& d) {
            d.txtFindString->setText("fox");
            bench::PauseWatch watch;
            watch.start();
            t.restart();
            d.cmdFind->click();
            clickMs = ms(t);
            said1 = main.statusText();
            while (!main.statusText().contains(QStringLiteral(" of ")) && ms(t) < 60000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            countedMs = ms(t);
            pause = watch.stop();
            said2 = main.statusText();
            d.cmdCancel->click();
        };
        main.mnuEditFind_Click();
        std::printf("  Find click %8.1f ms (status \"%s\"), count shown after %.0f ms (\"%s\")\n", clickMs,
                    qPrintable(said1), countedMs, qPrintable(said2));
        std::printf("  events not handled for at most %lld ms meanwhile\n", static_cast<long long>(pause));
    }

    for (frmDocument* doc : main.documents())
        doc->bIsDirty = false;
    main.close();
    modMain::MainForm = nullptr;
    return 0;
}
