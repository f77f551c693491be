// Times a rich-text view over one long paragraph with no place to break a line, three ways:
//   pieces  the paragraph cut into blocks of 4096 characters (how long paragraphs were once shown)
//   word    the paragraph whole, wrapped at word boundaries (the view's usual wrap)
//   chosen  the paragraph whole, shown with the wrap showWithWrap chooses
// For each: the time until the view, already on screen, has shown the document, laid it out to
// its end and painted its last page ("ready"); the median and greatest time of a key typed in
// the middle of the paragraph, shown before the next; the peak memory. Each runs in a fresh process.
//   rich_wrap_bench                 every case (the word wrap of 10 MB is left out: hours)
//   rich_wrap_bench CASE WAY        one: CASE long_100k, long_1m, long_10m, normal_5m
// Runs headless unless QT_QPA_PLATFORM says otherwise.
#include "BenchSupport.h"
#include "platform/rtf/LongRuns.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdio>
#include <vector>

namespace {

struct Case {
    const char* name;
    qsizetype length;
    int spaceEvery;     // 0: no space
    int paragraphEvery; // 0: one paragraph
};

const Case kCases[] = {
    {"long_100k", 100'000, 0, 0},
    {"long_1m", 1'000'000, 0, 0},
    {"long_10m", 10'000'000, 0, 0},
    {"normal_5m", 5'000'000, 7, 600},
};

QString text(const Case& c)
{
    static const char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyz0123456789";
    QString s(c.length, Qt::Uninitialized);
    for (qsizetype i = 0; i < c.length; ++i) {
        if (c.paragraphEvery && i % c.paragraphEvery == c.paragraphEvery - 1)
            s[i] = u'\n';
        else if (c.spaceEvery && i % c.spaceEvery == c.spaceEvery - 1)
            s[i] = u' ';
        else
            s[i] = QChar(kLetters[i % 36]);
    }
    return s;
}

// A document as the rich-text reader builds it: formatted runs, here bold every 1000 characters.
QTextDocument* document(const QString& all, bool pieces)
{
    auto* doc = new QTextDocument;
    doc->setUndoRedoEnabled(false);
    QTextCursor c(doc);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    const qsizetype step = pieces ? 4096 : 1000;
    c.beginEditBlock(); // or each insert would find the caret's place in the whole paragraph
    for (qsizetype at = 0; at < all.size(); at += step) {
        if (pieces && at > 0)
            c.insertBlock();
        c.insertText(all.mid(at, step), (at / step) % 2 ? bold : plain);
    }
    c.endEditBlock();
    doc->setUndoRedoEnabled(true);
    return doc;
}

int runOne(const Case& c, const QString& way)
{
    QTextEdit edit;
    edit.resize(900, 700);
    edit.show();
    if (!QTest::qWaitForWindowExposed(&edit))
        return 1;
    QTextDocument* doc = document(text(c), way == u"pieces");
    doc->setParent(&edit);

    QElapsedTimer timer;
    timer.start();
    if (way == u"chosen")
        platform::showWithWrap(edit, *doc);
    else
        edit.setDocument(doc);
    edit.moveCursor(QTextCursor::End);
    edit.ensureCursorVisible();
    edit.viewport()->repaint();
    QApplication::processEvents();
    const qint64 readyMs = timer.elapsed();

    QTextCursor middle(doc);
    middle.setPosition(doc->characterCount() / 2);
    edit.setTextCursor(middle);
    edit.setFocus();
    QApplication::processEvents();
    std::vector<double> keys;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer key;
        key.start();
        QTest::keyClick(&edit, Qt::Key_B);
        edit.viewport()->repaint();
        QApplication::processEvents();
        keys.push_back(double(key.nsecsElapsed()) / 1e6);
    }
    const bench::Spread spread(keys);
    std::printf("%-10s %-7s %-9s ready %8lld ms; a key median %7.1f ms, max %7.1f ms; peak %5lld MB\n",
                c.name, qPrintable(way),
                qPrintable(QString::fromLatin1(edit.wordWrapMode() == QTextOption::WrapAnywhere ? "anywhere" : "word")),
                static_cast<long long>(readyMs), spread.median(), spread.max(),
                static_cast<long long>(bench::procStatusKb("VmHWM:") / 1024));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    bench::headlessUnlessSet();
    if (argc == 3) {
        QApplication app(argc, argv);
        for (const Case& c : kCases) {
            if (qstrcmp(c.name, argv[1]) == 0)
                return runOne(c, QString::fromLatin1(argv[2]));
        }
        std::fprintf(stderr, "no case %s\n", argv[1]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    for (const Case& c : kCases) {
        for (const char* way : {"pieces", "word", "chosen"}) {
            if (qstrcmp(way, "word") == 0 && c.length > 1'000'000 && c.paragraphEvery == 0) {
                std::printf("%-10s %-7s left out: the 1 MB figure times a hundred\n", c.name, way);
                continue;
            }
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(c.name), QString::fromLatin1(way)});
            child.waitForFinished(-1);
        }
    }
    return 0;
}
