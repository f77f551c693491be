// A long rich document is laid out behind its view a little at a time; going far into it waits,
// under a progress window with Cancel, for the lines before the caret's new place.
#include "platform/DocumentFiles.h"
#include "platform/RichCopyInSteps.h"
#include "platform/RichLayoutPacer.h"
#include "platform/RichTextBox.h"
#include "platform/StepsWithProgress.h"
#include "platform/rtf/LongRuns.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QRandomGenerator>
#include <QPaintEvent>
#include <QProgressDialog>
#include <QScreen>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTextTable>

using platform::RichTextBox;

namespace {

// Paragraphs with a table every so often, some screens of each.
void fillLong(QTextDocument& doc, int paragraphs)
{
    QTextCursor c(&doc);
    for (int i = 0; i < paragraphs; ++i) {
        c.insertText(QStringLiteral("paragraph %1 with some words to wrap at a narrow width").arg(i));
        c.insertBlock();
        if (i % 500 == 250) {
            QTextTable* table = c.insertTable(20, 3);
            for (int r = 0; r < 20; ++r)
                table->cellAt(r, 1).firstCursorPosition().insertText(QStringLiteral("cell %1").arg(r));
            c.movePosition(QTextCursor::End);
        }
    }
}

// Whether every block the pacer says is laid out has its lines: a full layout (a new width)
// takes the lines of every block away until it lays the block out again.
bool claimsHold(platform::RichLayoutPacer& pacer, const QTextDocument& doc)
{
    const int end = doc.characterCount() - 1;
    for (int k = 0; k <= 40; ++k) {
        const int at = int(qint64(end) * k / 40);
        if (pacer.isLaidOutTo(at) && doc.findBlock(at).layout()->lineCount() == 0)
            return false;
    }
    return true;
}

// Whether every paragraph has its lines, as it has once the whole document is laid out.
bool allLaidOut(const QTextDocument& doc)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.layout()->lineCount() == 0)
            return false;
    }
    return true;
}

// A rich file holding a report of many rows: a long table, shown in parts.
QString writeReport(const QTemporaryDir& dir, int rows)
{
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\n";
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd\\cellx2000\\cellx4000\\cellx6000\n";
        for (int c = 0; c < 3; ++c)
            rtf += "\\pard\\intbl row " + QByteArray::number(r) + " cell " + QByteArray::number(c) + "\\cell ";
        rtf += "\\row\n";
    }
    rtf += "\\pard the end\\par\n}";
    const QString path = dir.filePath(QStringLiteral("report.rtf"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
        return {};
    return path;
}

// A box showing such a report, read from its file.
struct Report {
    QTemporaryDir dir;
    RichTextBox box;
    bool open(int rows)
    {
        const QString path = writeReport(dir, rows);
        if (path.isEmpty())
            return false;
        box.resize(500, 300);
        box.show();
        if (!QTest::qWaitForWindowExposed(&box))
            return false;
        box.LoadFile(path);
        return box.document() != nullptr;
    }
};

// Clicks Cancel on the progress window once it shows, checking first what the document holds.
void cancelWhenShown(const std::function<void()>& meanwhile)
{
    QMetaObject::invokeMethod(qApp, [meanwhile] {
        meanwhile();
        if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
            d->findChild<QPushButton*>()->click();
    }, Qt::QueuedConnection);
}

struct ProgressAtOnce {
    ProgressAtOnce()
    {
        platform::StepBudget::setUnits(1);
        platform::setMomentMs(0);
    }
    ~ProgressAtOnce()
    {
        platform::StepBudget::setUnits(0);
        platform::setMomentMs(400);
    }
};

// What the view's repaints cover, from when it starts watching.
struct RepaintWatch : QObject {
    QRegion painted;
    explicit RepaintWatch(QWidget* port) { port->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

// What the window shows, as its last repaints left it.
QImage shown(QWidget& window)
{
    return window.screen()->grabWindow(window.winId()).toImage();
}

// Whether the window shows what painting it all again shows.
bool showsItsDocument(QWidget& window, QWidget* port)
{
    QApplication::processEvents();
    const QImage before = shown(window);
    port->repaint();
    return shown(window) == before;
}

// Writes rtf to a file in dir and opens it in box, shown at size; null when that fails.
QTextEdit* openShown(RichTextBox& box, const QTemporaryDir& dir, const QByteArray& rtf, QSize size)
{
    const QString path = dir.filePath(QStringLiteral("long.rtf"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
        return nullptr;
    f.close();
    box.resize(size);
    box.show();
    if (!QTest::qWaitForWindowExposed(&box))
        return nullptr;
    box.LoadFile(path);
    return qobject_cast<QTextEdit*>(box.hwnd());
}

} // namespace

class tst_richlayout : public QObject {
    Q_OBJECT
private slots:
    void layoutBehindTheViewReachesTheEnd();
    void farCaretWaitsForTheLinesBeforeIt();
    void undoingAWholeTableWaitsToo();
    void shownDocumentTakesTheViewsTabsAndBar();
    void longParagraphsAreShownUnshaped();
    void longParagraphsReadInPiecesActAsOne();
    void joinsAreFollowedThroughEdits();
    void fileOpenedBeforeTheWindowIsShownTakesItsWidth();
    void aKeyRepaintsWhatItChanged();
    void tableLinesAreOnePixelWide();
};

void tst_richlayout::layoutBehindTheViewReachesTheEnd()
{
    QTextEdit view;
    view.resize(360, 300);
    QTextDocument doc;
    fillLong(doc, 3000);
    view.setDocument(&doc);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    platform::RichLayoutPacer pacer(doc);
    const int end = doc.characterCount() - 1;
    QVERIFY(!pacer.isLaidOutTo(end));

    // It gets there while the window goes on, and never claims a line it has not laid out.
    bool held = true;
    QTRY_VERIFY_WITH_TIMEOUT((held = held && claimsHold(pacer, doc), pacer.isLaidOutTo(end)), 60000);
    QVERIFY(held);
    QVERIFY(allLaidOut(doc));

    // A new width lays everything out again, from the start.
    view.resize(250, 300);
    QApplication::processEvents();
    QVERIFY(!pacer.isLaidOutTo(end));
    QTRY_VERIFY_WITH_TIMEOUT((held = held && claimsHold(pacer, doc), pacer.isLaidOutTo(end)), 60000);
    QVERIFY(held);

    // So do new tab stops, which take every paragraph's lines away without changing the text.
    QTextOption tabs = doc.defaultTextOption();
    tabs.setTabStopDistance(tabs.tabStopDistance() + 10);
    doc.setDefaultTextOption(tabs);
    QVERIFY(claimsHold(pacer, doc));
    QVERIFY(!pacer.isLaidOutTo(end));
    QTRY_VERIFY_WITH_TIMEOUT((held = held && claimsHold(pacer, doc), pacer.isLaidOutTo(end)), 60000);
    QVERIFY(held && allLaidOut(doc));

    // Paragraphs typed at the start move the lines after them down.
    const qreal lastTop = doc.documentLayout()->blockBoundingRect(doc.lastBlock()).top();
    QTextCursor(&doc).insertText(QStringLiteral("new\nlines\n"));
    QTRY_VERIFY_WITH_TIMEOUT(pacer.isLaidOutTo(doc.characterCount() - 1), 60000);
    QVERIFY(doc.documentLayout()->blockBoundingRect(doc.lastBlock()).top() > lastTop);

    // Far places are reached at once when asked, in steps under a progress window.
    view.resize(300, 300);
    QApplication::processEvents();
    const ProgressAtOnce steps;
    QVERIFY(pacer.layOutTo(doc.characterCount() - 1, &view, QStringLiteral("Laying out...")));
    QVERIFY(pacer.isLaidOutTo(doc.characterCount() - 1));
    QVERIFY(claimsHold(pacer, doc));
}

void tst_richlayout::farCaretWaitsForTheLinesBeforeIt()
{
    Report report;
    QVERIFY(report.open(4000));
    RichTextBox& box = report.box;
    QTextDocument* doc = box.document();
    const qsizetype end = box.TextLength();
    const QTextBlock last = doc->findBlock(int(end));
    const ProgressAtOnce steps;

    // Cancelled: the caret stays, and placing it never laid out the lines before the end.
    bool endUntouched = false;
    cancelWhenShown([&] { endUntouched = last.layout()->lineCount() == 0; });
    box.setSelStart(end);
    QVERIFY(endUntouched);
    QCOMPARE(box.SelStart(), 0);

    // A match far down is gone to once the lines before it are laid out, and shown there.
    auto* view = qobject_cast<QTextEdit*>(box.hwnd());
    QVERIFY(view);
    const auto caretShown = [view] { return view->viewport()->rect().contains(view->cursorRect().center()); };
    const qsizetype row = box.Find(QStringLiteral("row 3990 cell 2"), 0);
    QVERIFY(row > 0);
    QCOMPARE(box.SelStart(), row);
    QVERIFY(caretShown());

    // So is the end, by the program and by its key.
    box.setSelStart(0);
    QVERIFY(caretShown());
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(box.SelStart(), end);
    QVERIFY(caretShown());
    box.setSelStart(0);
    box.setSelStart(end);
    QCOMPARE(box.SelStart(), end);
    QVERIFY(caretShown());

    // A zoom lays the document out again from the caret's screen on, not all at once.
    box.setSelStart(0);
    box.setZoom(2);
    QCOMPARE(last.layout()->lineCount(), 0);
    box.setSelStart(end);
    QVERIFY(caretShown());
}

void tst_richlayout::undoingAWholeTableWaitsToo()
{
    Report report;
    QVERIFY(report.open(4000));
    RichTextBox& box = report.box;
    const qsizetype end = box.TextLength();
    const QString text = box.Text();
    auto* view = qobject_cast<QTextEdit*>(box.hwnd());
    QVERIFY(view);
    const ProgressAtOnce steps;

    // A format given and undone while the report is still being laid out: the view stays where
    // it was, and so does the caret.
    const qsizetype cell = box.Find(QStringLiteral("row 300 cell 1"), 0);
    QVERIFY(cell > 0);
    box.setSelBold(true);
    const int scrolled = view->verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    box.undo();
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    QCOMPARE(view->verticalScrollBar()->value(), scrolled);
    QCOMPARE(box.SelStart() + box.SelLength(), cell + 14);

    box.setZoom(2);
    const auto zoomed = [view] { return view->document()->documentLayout()->paintDevice() != nullptr; };
    QVERIFY(zoomed());

    // Select All and a key, then Undo: the whole report comes back, and the caret waits at the
    // top for the lines before its place after the report. Cancelled, it stays there.
    box.setSelStart(0);
    box.setSelLength(end);
    QCOMPARE(box.SelLength(), end);
    box.setSelText(QStringLiteral("x"));
    QCOMPARE(box.TextLength(), 1);
    bool waitedAtTop = false;
    cancelWhenShown([&] { waitedAtTop = view->textCursor().position() == 0 && !view->textCursor().hasSelection(); });
    box.undo();
    QVERIFY(waitedAtTop);
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.SelStart(), 0);
    QCOMPARE(box.SelLength(), 0);
    QVERIFY(zoomed());

    // Redo and Undo again, let run: the caret ends after the report, shown.
    box.redo();
    QCOMPARE(box.Text(), QStringLiteral("x"));
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.SelStart(), end);
    QVERIFY(view->viewport()->rect().contains(view->cursorRect().center()));
}

void tst_richlayout::shownDocumentTakesTheViewsTabsAndBar()
{
    // "a", a tab, "b", and four spaces then "b": with tab stops four spaces apart both b's stand
    // at the same place, whether the rich view shows a file read or plain text given a format.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tabs.rtf"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs24 a\\tab b\\par     b\\par}");
    f.close();
    RichTextBox read, formatted;
    for (RichTextBox* box : {&read, &formatted}) {
        box->setFontName(QStringLiteral("DejaVu Sans"));
        box->setFontSize(12);
        box->setTabOptions(4, false);
        box->resize(500, 300);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
    }
    read.LoadFile(path);
    formatted.setSelText(QStringLiteral("a\tb\n    b"));
    formatted.setSelStart(0);
    formatted.setSelLength(1);
    formatted.setSelBold(true);
    QApplication::processEvents();
    for (RichTextBox* box : {&read, &formatted}) {
        auto* view = qobject_cast<QTextEdit*>(box->hwnd());
        QVERIFY(view);
        const auto xBefore = [view](int position) {
            QTextCursor c(view->document());
            c.setPosition(position);
            return view->cursorRect(c).x();
        };
        const QString text = view->document()->toPlainText();
        const int tabbed = int(text.indexOf(QStringLiteral("a\tb"))) + 2;
        const int spaced = int(text.indexOf(QStringLiteral("\n    b"))) + 5;
        QVERIFY(tabbed == 2 && spaced > tabbed);
        QVERIFY2(qAbs(xBefore(tabbed) - xBefore(spaced)) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(xBefore(tabbed)).arg(xBefore(spaced))));
        // A short document has no scroll bar.
        QVERIFY(!view->verticalScrollBar()->isVisible());
    }
}

void tst_richlayout::longParagraphsAreShownUnshaped()
{
    // A paragraph of 70,000 letters, partly bold, after a short one: only the long one is shown
    // without kerning and ligatures, and that is no edit, nor anything a save writes.
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0 short {\\b one}\\par ";
    for (int i = 0; i < 700; ++i)
        rtf += (i == 350 ? "{\\b " : "") + QByteArray(100, char('a' + i % 26)) + (i == 360 ? "}" : "") + "\n";
    rtf += "\\par}";
    QTemporaryDir dir;
    RichTextBox box;
    QTextEdit* view = openShown(box, dir, rtf, QSize(500, 300));
    QVERIFY(view);
    QTextDocument* doc = view->document();
    // The runs of the paragraph block begins, over all its pieces.
    const auto unshapedRuns = [](QTextBlock block) {
        QStringList runs;
        for (;; block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                const QString run = QStringLiteral("%1%2").arg(format.fontWeight() == QFont::Bold ? u"bold " : u"",
                                                               format.font().styleStrategy() & QFont::PreferNoShaping
                                                                   ? u"unshaped" : u"shaped");
                if (runs.isEmpty() || runs.last() != run)
                    runs << run;
            }
            if (!platform::joinsNext(block))
                return runs.join(u", ");
        }
    };
    QCOMPARE(box.lineCount(), 2);
    QCOMPARE(box.Text().section(u'\n', 1).size(), 70000);
    QCOMPARE(unshapedRuns(doc->begin()), QStringLiteral("shaped, bold shaped"));
    QCOMPARE(unshapedRuns(doc->begin().next()), QStringLiteral("unshaped, bold unshaped, unshaped"));
    QVERIFY(!doc->isModified());
    QVERIFY(!doc->isUndoAvailable());
    QTextDocument direct;
    QVERIFY(platform::rtf::RtfReader::read(rtf, direct));
    QCOMPARE(platform::rtf::RtfWriter::write(*doc), platform::rtf::RtfWriter::write(direct));

    // Text put into a paragraph, as a paste does: a few letters keep it shaped; enough to make it
    // long show it unshaped, and one undo step takes both the text and the look away.
    box.setSelStart(0);
    box.setSelText(QStringLiteral("very "));
    QCOMPARE(unshapedRuns(doc->begin()), QStringLiteral("shaped, bold shaped"));
    box.setSelStart(9);
    box.setSelText(QString(70000, u'y'));
    QCOMPARE(doc->begin().length(), 70015);
    QCOMPARE(unshapedRuns(doc->begin()), QStringLiteral("unshaped, bold unshaped"));
    box.undo();
    QCOMPARE(doc->begin().text(), QStringLiteral("very short one"));
    QCOMPARE(unshapedRuns(doc->begin()), QStringLiteral("shaped, bold shaped"));

    // A long plain line given a format: one undo step takes the format away, and only that.
    RichTextBox plain;
    plain.setSelText(QString(70000, u'x'));
    plain.setSelStart(0);
    plain.setSelLength(1);
    plain.setSelBold(true);
    auto* shown = qobject_cast<QTextEdit*>(plain.hwnd());
    QVERIFY(shown);
    QCOMPARE(unshapedRuns(shown->document()->begin()), QStringLiteral("bold unshaped, unshaped"));
    plain.undo();
    QCOMPARE(unshapedRuns(shown->document()->begin()), QStringLiteral("unshaped"));
    QVERIFY(!shown->document()->isUndoAvailable());
}

void tst_richlayout::longParagraphsReadInPiecesActAsOne()
{
    // A paragraph of 100,000 characters of words, spaced before and after and indented, between
    // two short ones.
    QString words;
    for (int i = 0; words.size() < 100000; ++i)
        words += QStringLiteral("w%1 ").arg(i);
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0 first\\par\\pard\\sb240\\sa120\\fi360 "
                           + words.toLatin1() + "\\par\\pard last\\par}";
    QTemporaryDir dir;
    RichTextBox box;
    QTextEdit* view = openShown(box, dir, rtf, QSize(600, 400));
    QVERIFY(view);
    QTextDocument* doc = view->document();
    QVERIFY2(doc->blockCount() > 4, "the long paragraph is held in pieces");
    const QString text = QStringLiteral("first\n") + words + QStringLiteral("\nlast");

    // The box's text, lines and offsets know one paragraph.
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.TextLength(), text.size());
    QCOMPARE(box.lineCount(), 3);
    const QTextBlock firstPiece = doc->begin().next();
    const qsizetype join = 6 + firstPiece.length() - 1; // the offset where the second piece starts
    QVERIFY(text.at(join - 1) == u' '); // a piece ends after a space
    box.setSelStart(join - 3);
    box.setSelLength(6);
    QCOMPARE(box.SelText(), text.mid(join - 3, 6));
    QCOMPARE(box.caretLineColumn(), std::make_pair(qsizetype(1), join + 3 - 6));
    box.goToLine(2);
    QCOMPARE(box.SelStart(), text.size() - 4);

    // Its spacing shows before the first piece and after the last only, and is written once.
    QCOMPARE(firstPiece.blockFormat().topMargin(), 16.0);
    QCOMPARE(firstPiece.blockFormat().bottomMargin(), 0.0);
    QCOMPARE(firstPiece.next().blockFormat().topMargin(), 0.0);
    QCOMPARE(firstPiece.next().blockFormat().textIndent(), 0.0);
    QCOMPARE(doc->lastBlock().previous().blockFormat().bottomMargin(), 8.0);
    QTextDocument direct;
    QVERIFY(platform::rtf::RtfReader::read(rtf, direct));
    const QByteArray written = platform::rtf::RtfWriter::write(direct);
    QCOMPARE(platform::rtf::RtfWriter::write(*doc), written);
    // So do the copies a recovery file and printing are made from, a paragraph at a time.
    {
        platform::StepBudget::setUnits(1);
        platform::RichCopyInSteps steps(*doc, 1);
        for (bool whole = false; !whole;) {
            platform::StepBudget budget;
            whole = steps.step(budget);
        }
        platform::StepBudget::setUnits(0);
        QCOMPARE(platform::rtf::RtfWriter::write(*steps.take()), written);
    }

    // A match over a join is found and counted.
    const QString over = text.mid(join - 4, 7);
    QCOMPARE(box.Find(over, 0), join - 4);
    QCOMPARE(box.SelLength(), 7);
    QCOMPARE(box.matchCounter(over, 0, 0)(std::atomic_bool(false)).total, 1);
    box.setMatchMarks(over, 0); // the match is in sight since Find brought it there
    const QList<QTextEdit::ExtraSelection> marks = view->extraSelections();
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks[0].cursor.selectionStart(), firstPiece.position() + firstPiece.length() - 1 - 4);
    QCOMPARE(marks[0].cursor.selectionEnd() - marks[0].cursor.selectionStart(), 8);
    box.setMatchMarks(QString(), 0);
    QCOMPARE(box.Find(over, join - 3), qsizetype(-1));
    // Replace All replaces it, and its undo puts the pieces back.
    {
        qsizetype from = 0;
        platform::StepBudget budget;
        while (box.replaceMatches(over, QStringLiteral("<>"), 0, &from, budget)) {
        }
        QCOMPARE(box.Text(), QString(text).replace(join - 4, 7, QStringLiteral("<>")));
        box.undo();
        QCOMPARE(box.Text(), text);
        QCOMPARE(box.Find(over, 0), join - 4);
    }

    // Keys step over a join as over nothing.
    const auto caretAtJoin = [&] {
        box.setSelStart(join);
        QCOMPARE(view->textCursor().position(), firstPiece.next().position());
    };
    caretAtJoin();
    QTest::keyClick(view, Qt::Key_Backspace);
    QCOMPARE(box.Text(), QString(text).remove(join - 1, 1));
    box.undo();
    caretAtJoin();
    QTest::keyClick(view, Qt::Key_Left);
    QCOMPARE(box.SelStart(), join - 1);
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(box.Text(), QString(text).remove(join - 1, 1));
    box.undo();
    box.setSelStart(join - 1);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(box.SelStart(), join);
    QCOMPARE(box.SelLength(), 1);

    // Enter at a join starts a paragraph there, with no empty line, and its spacing shows.
    caretAtJoin();
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(box.Text(), QString(text).insert(join, u'\n'));
    QCOMPARE(box.lineCount(), 4);
    const auto noEmptyPiece = [&] {
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            if (b.length() == 1)
                return false;
        }
        return true;
    };
    QVERIFY(noEmptyPiece());
    const QTextBlock started = doc->findBlock(int(firstPiece.position() + firstPiece.length()));
    QCOMPARE(started.text().left(3), text.mid(join, 3));
    QCOMPARE(started.blockFormat().topMargin(), 16.0);
    QCOMPARE(started.blockFormat().textIndent(), 24.0);
    QCOMPARE(started.previous().blockFormat().bottomMargin(), 8.0);
    box.undo();
    QCOMPARE(box.Text(), text);

    // Taking a whole piece's text away leaves no empty line.
    const qsizetype secondLength = firstPiece.next().length() - 1;
    box.setSelStart(join);
    box.setSelLength(secondLength);
    box.setSelText(QString());
    QCOMPARE(box.Text(), QString(text).remove(join, secondLength));
    QVERIFY(noEmptyPiece());
    box.undo();
    QCOMPARE(box.Text(), text);

    // Text typed into a piece left empty (as an input method may leave one) takes no join along:
    // a break typed after it starts a paragraph.
    {
        QTextCursor direct(doc);
        const QTextBlock second = firstPiece.next();
        direct.setPosition(second.position());
        direct.setPosition(second.position() + second.length() - 1, QTextCursor::KeepAnchor);
        direct.removeSelectedText();
        view->setTextCursor(direct);
        QTest::keyClick(view, Qt::Key_Q);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(box.lineCount(), 4);
        QCOMPARE(box.Text(), QString(text).replace(join, secondLength, QStringLiteral("q\n")));
        while (doc->isUndoAvailable() && box.Text() != text)
            box.undo();
        QCOMPARE(box.Text(), text);
    }

    // Aligning any part aligns the whole paragraph.
    box.setSelStart(join + 10);
    box.setSelAlignment(RichTextBox::Center);
    for (QTextBlock b = firstPiece; b != doc->lastBlock(); b = b.next())
        QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(doc->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

void tst_richlayout::joinsAreFollowedThroughEdits()
{
    // Where the joins are is followed from each change, as the box does; after every kind of
    // edit, and its undo and redo, it agrees with a fresh look at the whole document.
    QString words;
    for (int i = 0; words.size() < 200000; ++i)
        words += QStringLiteral("w%1 ").arg(i);
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("head"));
    c.insertBlock();
    c.insertText(words);
    c.insertBlock();
    c.insertText(QStringLiteral("tail"));
    platform::chooseWrapAhead(doc);
    doc.setUndoRedoEnabled(true);
    doc.documentLayout(); // a document tells its changes once it has a layout, as a shown one does
    platform::PieceJoins joins(doc);
    QVERIFY(joins.separators().size() > 8);
    QObject::connect(&doc, &QTextDocument::contentsChange, [&](int at, int removed, int added) {
        joins.follow(doc, at, removed, added);
    });
    QRandomGenerator random(7);
    const auto agrees = [&] {
        const auto fresh = platform::PieceJoins(doc).separators();
        if (joins.separators() == fresh)
            return true;
        QStringList a, b;
        for (auto x : joins.separators()) a << QString::number(x);
        for (auto x : fresh) b << QString::number(x);
        qDebug() << "followed" << a.join(",") << "fresh" << b.join(",");
        return false;
    };
    const auto someJoin = [&] {
        const auto all = platform::PieceJoins(doc).separators();
        return all.empty() ? 5 : int(all[random.bounded(int(all.size()))]);
    };
    for (int round = 0; round < 60; ++round) {
        QTextCursor e(&doc);
        const int at = someJoin() + random.bounded(-3, 3);
        e.setPosition(std::clamp(at, 0, doc.characterCount() - 1));
        switch (round % 7) {
        case 0: // a letter typed at a join
            e.insertText(QStringLiteral("x"));
            break;
        case 1: // a selection over a join taken away
            e.setPosition(std::min(e.position() + random.bounded(1, 40), doc.characterCount() - 1), QTextCursor::KeepAnchor);
            e.removeSelectedText();
            break;
        case 2: // Enter
            e.insertBlock();
            break;
        case 3: { // bold over a join
            e.setPosition(std::min(e.position() + 20, doc.characterCount() - 1), QTextCursor::KeepAnchor);
            QTextCharFormat bold;
            bold.setFontWeight(QFont::Bold);
            e.mergeCharFormat(bold);
            break;
        }
        case 4: // a piece settled after an edit empties it
            platform::settlePieces(doc, e.position(), e.position());
            break;
        case 5: // a table put in
            e.insertTable(2, 2);
            break;
        default: // several pieces taken away
            e.setPosition(std::min(e.position() + random.bounded(20000, 50000), doc.characterCount() - 1),
                          QTextCursor::KeepAnchor);
            e.removeSelectedText();
            break;
        }
        QVERIFY2(agrees(), qPrintable(QStringLiteral("after edit %1").arg(round)));
        if (round % 4 == 3) {
            doc.undo();
            QVERIFY2(agrees(), qPrintable(QStringLiteral("after undo %1").arg(round)));
            doc.redo();
            QVERIFY2(agrees(), qPrintable(QStringLiteral("after redo %1").arg(round)));
        }
    }
    while (doc.isUndoAvailable())
        doc.undo();
    QVERIFY(agrees());
    const QString paragraph(QChar::ParagraphSeparator);
    QCOMPARE(joins.withoutJoins(doc.toRawText(), 0), QStringLiteral("head") + paragraph + words + paragraph + QStringLiteral("tail"));
}

void tst_richlayout::fileOpenedBeforeTheWindowIsShownTakesItsWidth()
{
    // Files named on the command line open before the window shows: a view not yet shown is a
    // hundred pixels wide, and a long paragraph wrapped there took minutes. The window's width
    // stands in until the view is shown.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.rtf"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1\\ansi " + QByteArray(20000, 'a') + "\\par}");
    f.close();
    QWidget window;
    window.resize(800, 600);
    auto* box = new RichTextBox(&window);
    box->LoadFile(path);
    QVERIFY(!box->isVisible());
    QVERIFY2(box->document()->pageSize().width() >= 600,
             qPrintable(QString::number(box->document()->pageSize().width())));
}

void tst_richlayout::aKeyRepaintsWhatItChanged()
{
    // Qt repaints everything below a changed table, every shown cell found again by a search
    // through the whole document. A key that leaves its paragraph as it was outside repaints
    // that paragraph only; one that moves what is below it, all of that.
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0); // the caret stays shown, not blinking between pictures
    const auto restore = qScopeGuard([flash] { QApplication::setCursorFlashTime(flash); });
    Report report;
    QVERIFY(report.open(400));
    RichTextBox& box = report.box;
    QTRY_VERIFY(allLaidOut(*box.document())); // nothing else repaints meanwhile
    auto* view = box.findChild<QTextEdit*>();
    QVERIFY(view);
    QWidget* port = view->viewport();
    box.SetFocus();
    box.setSelStart(int(box.Text().indexOf(QStringLiteral("row 3 cell 1"))) + 5);
    QVERIFY(showsItsDocument(box, port));
    const int rowHeight = int(view->cursorRect().height());

    {
        RepaintWatch watch(port);
        QTest::keyClick(view, Qt::Key_X);
        QApplication::processEvents();
        const QRect r = watch.painted.boundingRect();
        QVERIFY2(!r.isEmpty() && r.height() < 3 * rowHeight,
                 qPrintable(QStringLiteral("%1 of %2").arg(r.height()).arg(port->height())));
        QVERIFY(box.Text().contains(QStringLiteral("row 3x cell 1")));
        QVERIFY(showsItsDocument(box, port));
        QTest::keyClick(view, Qt::Key_Backspace);
        QVERIFY(showsItsDocument(box, port));
    }
    {
        // Words that wrap in the cell make its row higher: the rows below move down.
        RepaintWatch watch(port);
        QTest::keyClicks(view, QStringLiteral(" and a few more words"));
        QApplication::processEvents();
        QCOMPARE(watch.painted.boundingRect().bottom(), port->height() - 1);
        QVERIFY(showsItsDocument(box, port));
    }
    {
        // A new paragraph in the cell, and one taken away.
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(showsItsDocument(box, port));
        QTest::keyClick(view, Qt::Key_Backspace);
        QVERIFY(showsItsDocument(box, port));
    }
}

// The widths of the runs of dark pixels along a line of the picture, from one point on.
QList<int> darkRuns(const QImage& image, QPoint from, QPoint step, int count)
{
    QList<int> runs;
    int run = 0;
    for (QPoint p = from; count-- > 0 && image.rect().contains(p); p += step) {
        if (qGray(image.pixel(p)) < 200) {
            ++run;
        } else if (run > 0) {
            runs << run;
            run = 0;
        }
    }
    if (run > 0)
        runs << run;
    return runs;
}

void tst_richlayout::tableLinesAreOnePixelWide()
{
    // A table is drawn as a grid of single lines, between cells as around them.
    Report report;
    QVERIFY(report.open(6));
    auto* view = report.box.findChild<QTextEdit*>();
    QVERIFY(view);
    QTextCursor first(view->document());
    first.setPosition(int(report.box.Text().indexOf(QStringLiteral("row 0 cell 0"))));
    const QRect caret = view->cursorRect(first);
    const QImage picture = view->viewport()->grab().toImage();
    const int ratio = int(picture.devicePixelRatio());
    // Across the first row just above its text, in the cells' padding; down the first column
    // just left of its text.
    const QList<int> across = darkRuns(picture, QPoint(0, caret.top() - 2) * ratio, QPoint(1, 0), picture.width());
    const QList<int> down = darkRuns(picture, QPoint(caret.left() - 2, 0) * ratio, QPoint(0, 1), picture.height());
    QCOMPARE(across, QList<int>({1, 1, 1, 1}));
    QVERIFY2(down.size() >= 4, qPrintable(QString::number(down.size()))); // as many as show
    QCOMPARE(down, QList<int>(down.size(), 1));
}

QTEST_MAIN(tst_richlayout)
#include "tst_richlayout.moc"
