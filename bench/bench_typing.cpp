// Types at the end of a large document in the real main window, smart tabs on, and prints the
// time per key: it must not grow with the document's size.
//   bench_typing [SIZE_MB...]     default: 0 and 10
//   bench_typing SIZE_MB line     the document is one line of prose; keys go into its middle
//   bench_typing --cpp [SIZE_MB]  a C++ file in syntax colours (default 100 MB): the time from
//                                 opening it to its first screen coloured, the longest pause of
//                                 the event loop while the rest is coloured, keys typed in its
//                                 middle (colouring included), and "/*" typed at its top
#include "BenchSupport.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/text/PlainView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

void run(int megabytes, bool oneLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        const QByteArray line = oneLine ? QByteArray("a paragraph of prose on one line, some words and 0123456789 ")
                                        : QByteArray("\tindented line of a program, some words and 0123456789\n");
        for (qint64 written = 0; written < qint64(megabytes) << 20; written += line.size())
            f.write(line);
        f.write("\t\tlast line");
    }
    platform::Services services = bench::servicesIn(dir);
    if (qEnvironmentVariableIsSet("QUIPLE_NO_SMART_TABS"))
        modMain::SaveSetting(*services.settings, keys::UseSmartTabs, keys::No);
    std::unique_ptr<frmMain> main(modMain::Main(services, {path}));
    if (!QTest::qWaitForWindowExposed(main.get()))
        return;
    platform::RichTextBox& box = *main->ActiveForm()->rtfText;
    box.SetFocus();
    box.setSelStart(oneLine ? box.TextLength() / 2 + 7 : box.TextLength());
    QApplication::processEvents();
    QWidget* w = box.hwnd();
    std::vector<double> chars, enters;
    QElapsedTimer t;
    for (int i = 0; i < 1000; ++i) {
        t.start();
        QTest::keyClick(w, Qt::Key(Qt::Key_A + i % 26));
        QApplication::processEvents();
        chars.push_back(t.nsecsElapsed() / 1e6);
        if (i % 10 == 9) {
            t.start();
            QTest::keyClick(w, Qt::Key_Return);
            QApplication::processEvents();
            enters.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    auto report = [&](const char* what, const std::vector<double>& v) {
        const bench::Spread spread(v);
        double sum = 0;
        for (double x : v)
            sum += x;
        std::printf("%3d MB document, %4zu %-11s mean %6.3f ms, median %6.3f ms, 99th %6.3f ms, max %7.3f ms\n",
                    megabytes, v.size(), what, sum / v.size(), spread.median(), spread.at(0.99),
                    spread.max());
    };
    report("characters:", chars);
    report("Enters:", enters);
    const QString text = box.Text();
    const bool indented = text.endsWith(QStringLiteral("\n\t\t")) || text.contains(QStringLiteral("\n\t\tklmnopqrst"));
    if (!oneLine)
        std::printf("%3d MB document: smart tabs %s\n", megabytes, indented ? "indented every new line" : "FAILED");
    for (frmDocument* doc : main->documents())
        doc->bIsDirty = false;
}

void report(const char* what, const std::vector<double>& v)
{
    const bench::Spread spread(v);
    std::printf("%-34s %5zu keys: median %6.3f ms, 99th %6.3f ms, max %7.3f ms\n", what, v.size(),
                spread.median(), spread.at(0.99), spread.max());
}

void runCpp(int megabytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.cpp"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        const QByteArray unit = "/* A block comment\n   over two lines. */\n#include <vector>\n"
                                "static int count(const std::vector<int>& v, int limit) // a note\n{\n"
                                "    int n = 0x1f; const char* s = \"a \\\"quoted\\\" /* not a comment */\";\n"
                                "    for (int x : v) { if (x > limit) ++n; }\n    return n + 42;\n}\n\n";
        // QUIPLE_ONE_LINE: the same code as one long line.
        const bool oneLine = qEnvironmentVariableIsSet("QUIPLE_ONE_LINE");
        const QByteArray piece = oneLine ? QByteArray(unit).replace("// a note", "/* a note */").replace('\n', ' ') : unit;
        for (qint64 written = 0; written < qint64(megabytes) << 20; written += piece.size())
            f.write(piece);
        f.write("\nint last = 1; // the end\n");
    }
    platform::Services services = bench::servicesIn(dir);
    // The same without colours, for comparison.
    const bool plain = qEnvironmentVariableIsSet("QUIPLE_NO_SYNTAX_COLORS");
    if (plain)
        modMain::SaveSetting(*services.settings, keys::SyntaxColors, keys::False);
    QElapsedTimer open;
    open.start();
    std::unique_ptr<frmMain> main(modMain::Main(services, {path}));
    if (!QTest::qWaitForWindowExposed(main.get()) || !main->ActiveForm())
        return;
    platform::RichTextBox& box = *main->ActiveForm()->rtfText;
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    if (!view)
        return;
    const qsizetype lastLine = view->store().lineCount() - 2; // "int last"
    while (!plain && (view->lineFormats(0).isEmpty() || view->lineFormats(std::min<qsizetype>(5, lastLine)).isEmpty()))
        QApplication::processEvents();
    std::printf("%d MB C++ file: opened and its first screen coloured in %lld ms\n", megabytes,
                qlonglong(open.elapsed()));

    // The rest is coloured in the background, in slices between events.
    bench::PauseWatch pauses;
    QElapsedTimer fill;
    fill.start();
    pauses.start();
    while (!plain && view->lineFormats(lastLine).isEmpty())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const qint64 longest = pauses.stop();
    std::printf("%d MB C++ file: coloured to its end in %lld ms, the event loop never waiting more than %lld ms\n",
                megabytes, qlonglong(fill.elapsed()), qlonglong(longest));

    box.SetFocus();
    box.setSelStart(box.TextLength() / 2);
    QApplication::processEvents();
    QWidget* w = box.hwnd();
    std::vector<double> keys;
    QElapsedTimer t;
    for (int i = 0; i < 1000; ++i) {
        t.start();
        QTest::keyClick(w, i % 40 == 39 ? Qt::Key_Return : Qt::Key(Qt::Key_A + i % 26));
        QApplication::processEvents();
        keys.push_back(t.nsecsElapsed() / 1e6);
    }
    report("keys in the middle, coloured:", keys);

    // A comment opened at the top recolours the shown screen at once, the rest in slices.
    box.setSelStart(0);
    view->ensureCaretVisible();
    QApplication::processEvents();
    std::vector<double> opening;
    for (Qt::Key k : {Qt::Key_Slash, Qt::Key_Asterisk}) {
        t.start();
        QTest::keyClick(w, k);
        QApplication::processEvents();
        opening.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("\"/*\" typed at the top: %.3f and %.3f ms, the screen recoloured with them\n", opening[0],
                opening[1]);
    for (frmDocument* doc : main->documents())
        doc->bIsDirty = false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--cpp") {
        runCpp(argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 100);
        return 0;
    }
    QList<int> sizes;
    bool oneLine = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "line") == 0)
            oneLine = true;
        else
            sizes << QString::fromLocal8Bit(argv[i]).toInt();
    }
    if (sizes.isEmpty())
        sizes = {0, 10};
    for (int mb : sizes)
        run(mb, oneLine);
    return 0;
}
