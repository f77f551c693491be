// Opens large plain-text files into an editor control in a shown window and prints the time
// until the text is shown and editable, and the process's peak memory.
//   bench_open            runs 10 MB and 100 MB, each in a fresh process
//   bench_open SIZE_MB    one size in this process
#include "BenchSupport.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

int runOne(int megabytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        const QByteArray line = "The quick brown fox jumps over the lazy dog; 0123456789 abcdefghij.\n";
        QByteArray chunk;
        while (chunk.size() < (1 << 20))
            chunk += line;
        for (int i = 0; i < megabytes; ++i)
            f.write(chunk.constData(), 1 << 20);
    }
    const long before = bench::procStatusKb("VmHWM:");
    platform::RichTextBox box;
    box.resize(900, 700);
    box.show();
    if (!QTest::qWaitForWindowExposed(&box))
        return 1;
    QElapsedTimer timer;
    timer.start();
    box.LoadFile(path);
    QApplication::processEvents();
    box.setSelStart(box.TextLength()); // the end is reachable: laid out and editable
    box.setSelText(QStringLiteral("x"));
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();
    const long peak = bench::procStatusKb("VmHWM:");
    std::printf("open %4d MB plain text: %6lld ms until shown and editable, peak memory %ld MB "
                "(%.1f x file size; %ld MB before loading)\n",
                megabytes, static_cast<long long>(ms), peak / 1024,
                double(peak - before) / 1024.0 / megabytes, before / 1024);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1) {
        QApplication app(argc, argv);
        return runOne(QString::fromLocal8Bit(argv[1]).toInt());
    }
    QCoreApplication app(argc, argv);
    for (const char* size : {"10", "100"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(size)});
        child.waitForFinished(-1);
    }
    return 0;
}
