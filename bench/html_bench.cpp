// Typing cost of the HTML insertions in small and large documents.
//
//   html_bench [--sizes=10240,10485760] [--keys=300] [--runs=5]
//
// For each document size: the page template typed at the start, in the middle and at the end of
// the document (median and worst of several runs, milliseconds), and the cost of one typed key and
// of one caret move (microseconds). The per-key figures must not grow with the document's size.
// Runs headless unless QT_QPA_PLATFORM says otherwise.

#include "app/modMain.h"
#include "document/frmDocument.h"
#include "html/modHTML.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"
#include "platform/Services.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

// Errors are printed, never shown: a benchmark must not wait for a person.
class PrintedMessages final : public platform::MessageBox {
public:
    platform::Answer show(QWidget*, const QString& prompt, platform::Buttons, platform::Icon,
                          const QString& title) override
    {
        std::fprintf(stderr, "message [%s]: %s\n", qPrintable(title), qPrintable(prompt));
        return platform::Answer::Ok;
    }
};

QByteArray htmlText(qint64 bytes)
{
    static const QByteArray lines[] = {
        "<P>The quick brown fox jumps over the lazy dog, again and again.</P>\n",
        "\t<LI><A HREF=\"page.html\">A link to another page of the site</A></LI>\n",
        "<H2>A heading of the document</H2>\n",
        "Plain words of the body text, long enough to fill a line of the editor.\n"};
    QByteArray out;
    out.reserve(bytes + 128);
    for (int i = 0; out.size() < bytes; ++i)
        out += lines[i % 4];
    out.truncate(bytes);
    return out;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

struct Figures {
    double loadMs = 0;
    double firstMoveMs = 0;
    double firstKeyMs = 0;
    double templateFirstMs = 0;
    double templateMedianMs[3] = {};
    double templateWorstMs[3] = {};
    double keyUs[3] = {};
    double moveUs[3] = {};
};

Figures measure(frmMain& main, const QString& file, int keys, int runs)
{
    Figures f;
    platform::RichTextBox& rtf = *main.ActiveForm()->rtfText;
    QElapsedTimer t;
    t.start();
    rtf.LoadFile(file);
    f.loadMs = t.nsecsElapsed() / 1e6;
    rtf.SetFocus();
    settle();
    // The first caret move and the first Enter after loading, apart from the template.
    t.restart();
    rtf.setSelStart(0);
    f.firstMoveMs = t.nsecsElapsed() / 1e6;
    t.restart();
    platform::SendKeys(QStringLiteral("~"), true);
    f.firstKeyMs = t.nsecsElapsed() / 1e6;
    platform::SendKeys(QStringLiteral("{BS}"), true);
    settle();

    const qsizetype length = rtf.TextLength();
    const qsizetype places[3] = {0, length / 2, length};
    bool first = true;
    for (int p = 0; p < 3; ++p) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            rtf.setSelStart(std::min(places[p], rtf.TextLength()));
            t.restart();
            main.mnuHTMLTemplate_Click();
            const double ms = t.nsecsElapsed() / 1e6;
            if (first) {
                f.templateFirstMs = ms;
                first = false;
            }
            times.push_back(ms);
            settle();
        }
        f.templateMedianMs[p] = bench::Spread(times).median();
        f.templateWorstMs[p] = *std::max_element(times.begin(), times.end());

        rtf.setSelStart(std::min(places[p], rtf.TextLength()));
        t.restart();
        for (int k = 0; k < keys; ++k)
            platform::SendKeys(QStringLiteral("x"), true);
        f.keyUs[p] = t.nsecsElapsed() / 1e3 / keys;
        settle();

        rtf.setSelStart(std::min(places[p], rtf.TextLength()));
        t.restart();
        for (int k = 0; k < keys; ++k)
            platform::SendKeys(k % 2 ? QStringLiteral("{LEFT}") : QStringLiteral("{RIGHT}"), true);
        f.moveUs[p] = t.nsecsElapsed() / 1e3 / keys;
        settle();
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    bench::headlessUnlessSet();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QList<qint64> sizes;
    for (const QString& s : bench::arg(args, QStringLiteral("--sizes"), QStringLiteral("10240,10485760")).split(u','))
        sizes << s.toLongLong();
    const int keys = std::max(1, bench::arg(args, QStringLiteral("--keys"), QStringLiteral("300")).toInt());
    const int runs = std::max(1, bench::arg(args, QStringLiteral("--runs"), QStringLiteral("5")).toInt());

    QTemporaryDir dir;
    platform::Services services;
    services.messages = std::make_unique<PrintedMessages>();
    services.settings = std::make_unique<platform::SettingsStore>(dir.path());
    services.process = std::make_unique<platform::QtProcess>();
    services.dialogs = std::make_unique<platform::QtDialogs>();
    services.clock = std::make_unique<platform::SystemClock>();
    modMain::SaveSetting(*services.settings, QStringLiteral("UseSmartTabs"), QStringLiteral("YES"));
    modMain::GetSmartTabsVal(*services.settings);

    frmMain main(services, {});
    bench::showMainWindow(main);
    const QDeadlineTimer deadline(5000);
    while (platform::keyReceiver() != main.ActiveForm()->rtfText->hwnd() && !deadline.hasExpired()) {
        main.ActiveForm()->rtfText->SetFocus();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (platform::keyReceiver() != main.ActiveForm()->rtfText->hwnd()) {
        std::fprintf(stderr, "the editor did not get the keyboard focus\n");
        return 1;
    }

    std::printf("page template typed with the caret at the start / middle / end of the document\n");
    std::printf("(%d runs each: median and worst, ms); one typed key and one caret move (us)\n\n", runs);
    std::printf("%12s %9s %9s %9s %9s | %-27s | %-27s | %-20s | %-20s\n", "document", "load ms",
                "1st move", "1st Enter", "1st tmpl",
                "template median ms s/m/e", "template worst ms s/m/e", "key us s/m/e", "move us s/m/e");
    for (const qint64 size : sizes) {
        const QString file = dir.filePath(QStringLiteral("doc%1.html").arg(size));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(htmlText(size)) != size)
            return 1;
        out.close();
        const Figures f = measure(main, file, keys, runs);
        std::printf("%9lld KB %9.1f %9.1f %9.1f %9.1f | %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f | %6.0f %6.0f %6.0f | %6.0f %6.0f %6.0f\n",
                    size / 1024, f.loadMs, f.firstMoveMs, f.firstKeyMs, f.templateFirstMs, f.templateMedianMs[0],
                    f.templateMedianMs[1], f.templateMedianMs[2], f.templateWorstMs[0],
                    f.templateWorstMs[1], f.templateWorstMs[2], f.keyUs[0], f.keyUs[1], f.keyUs[2],
                    f.moveUs[0], f.moveUs[1], f.moveUs[2]);
        std::fflush(stdout);
    }
    for (frmDocument* doc : main.documents())
        doc->bIsDirty = false;
    main.close();
    modMain::MainForm = nullptr;
    return 0;
}
