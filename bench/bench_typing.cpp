// Types at the end of a large document in the real main window, smart tabs on, and prints the
// time per key: it must not grow with the document's size.
//   bench_typing [SIZE_MB...]     default: 0 and 10
//   bench_typing SIZE_MB line     the document is one line of prose; keys go into its middle
#include "BenchSupport.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

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

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
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
