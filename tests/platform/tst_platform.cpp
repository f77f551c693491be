#include "MainFixture.h"
#include "platform/AppError.h"
#include "platform/DocumentFiles.h"
#include "platform/FileSystem.h"
#include "platform/KeptAside.h"
#include "platform/Color.h"
#include "platform/DocumentFiles.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/RichTextBox.h"
#include "platform/text/PlainView.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QScrollBar>
#include <QTextEdit>
#include <QTextLayout>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using platform::RichTextBox;

class tst_platform : public QObject {
    Q_OBJECT
private slots:
    void selectionAndTextAgree();
    void eventsFollowTheUser();
    void mixedFormatsReadAsNoValue();
    void findHonoursOptions();
    void marksAndCountsMatchAsFindDoes();
    void marksAreFoundForTheShownRowsOnly();
    void plainViewKeys_data();
    void plainViewKeys();
    void clicksAndArrowsRightOfAWrappedRowStayOnIt();
    void unwrappedLinesScrollSideways();
    void zoomEnlargesTheScreenOnly();
    void syntaxColoursAreShownOnly();
    void bracketsPairOutsideStringsAndComments();
    void loadErrorsNameTheFile();
    void failedSaveLeavesOldFileWhole();
    void saveTemporariesAreNamedAndCleared();
    void inPlaceSavesKeepTheOldTextAside();
    void aCancelOnceTheWorkHasEndedTakesNothingBack();
    void saveKeepsWhatTheFileWas();
    void namesThatAreNotUtf8KeepTheirBytes();
    void colorValues();
    void fontFamiliesAreNamedOnce();
    void saveDialogRefusesAMissingFolder();
};

void tst_platform::selectionAndTextAgree()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("one\ntwo\nthree"));
    QCOMPARE(box.SelStart(), 13); // the caret after the inserted text
    box.setSelStart(4);
    box.setSelLength(5);
    QCOMPARE(box.SelText(), QStringLiteral("two\nt"));
    box.setSelText(QStringLiteral("2"));
    QCOMPARE(box.Text(), QStringLiteral("one\n2hree"));
    QCOMPARE(box.SelStart(), 5);
    box.setSelStart(1000); // beyond the end: the end
    QCOMPARE(box.SelStart(), box.Text().size());
    box.setSelStart(0);
    box.setSelLength(1000);
    QCOMPARE(box.SelLength(), box.Text().size());
    QVERIFY_THROWS_EXCEPTION(platform::AppError, box.setSelStart(-1));
    // A character outside the basic plane is two offsets, in the text and in the selection.
    box.setSelText(QStringLiteral("a\U0001F600b"));
    QCOMPARE(box.TextLength(), 4);
    box.setSelStart(1);
    box.setSelLength(2);
    QCOMPARE(box.SelText(), QStringLiteral("\U0001F600"));
}

void tst_platform::eventsFollowTheUser()
{
    // SelChange once for every caret move, by the program too; Change only for edits and formats,
    // not for the program's settings, loading and moving the caret.
    RichTextBox box;
    box.show();
    QSignalSpy sel(&box, &RichTextBox::SelChange), change(&box, &RichTextBox::Change);
    box.setSelColor(platform::rgbValue(255, 0, 0));
    box.setBackColor(platform::kWindowBackground);
    box.setFontName(QStringLiteral("DejaVu Sans Mono"));
    box.setFontSize(14);
    QTemporaryDir dir;
    writeFile(dir.filePath("a.txt"), "line one\nline two");
    box.LoadFile(dir.filePath("a.txt"));
    QCOMPARE(sel.count(), 1);
    box.setSelStart(2);
    box.setSelStart(2); // a change even to the same place
    box.setSelLength(4);
    QCOMPARE(sel.count(), 4);
    QTest::keyClick(box.hwnd(), Qt::Key_Right); // collapses the selection: one change
    QTest::keyClick(box.hwnd(), Qt::Key_Shift); // no move, no change
    QCOMPARE(sel.count(), 5);
    QCOMPARE(change.count(), 0);
    QTest::keyClick(box.hwnd(), Qt::Key_X); // typing moves the caret
    QCOMPARE(sel.count(), 6);
    QCOMPARE(change.count(), 1);
    box.setSelStart(0);
    box.setSelLength(4);
    box.setSelBold(true);
    QVERIFY(change.count() > 1); // formatting is a change
    QCOMPARE(box.FontName(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(box.FontSize(), 14.0);
}

void tst_platform::mixedFormatsReadAsNoValue()
{
    RichTextBox box; // a plain document, until it is given a format: text and selection stay
    box.setSelText(QStringLiteral("plain bold\nsecond"));
    box.setSelStart(6);
    box.setSelLength(4);
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    box.setSelBold(true);
    QVERIFY(box.isRichView());
    QCOMPARE(box.Text(), QStringLiteral("plain bold\nsecond"));
    QCOMPARE(box.SelText(), QStringLiteral("bold"));
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    box.setSelStart(0);
    box.setSelLength(10);
    QCOMPARE(box.SelBold(), std::optional<bool>());
    QCOMPARE(box.SelItalic(), std::optional<bool>(false));
    box.setSelStart(0);
    box.setSelAlignment(RichTextBox::Center);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Center));
    box.setSelStart(12);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Left));
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
    QCOMPARE(box.SelAlignment(), std::optional<int>());
    QVERIFY_THROWS_EXCEPTION(platform::AppError, box.setSelAlignment(3));
    // A format given to a selection is one step to undo, and takes nothing else away.
    box.setSelStart(0);
    box.setSelLength(5);
    box.setSelItalic(true);
    QCOMPARE(box.SelItalic(), std::optional<bool>(true));
    box.undo();
    box.setSelStart(0);
    box.setSelLength(5);
    QCOMPARE(box.SelItalic(), std::optional<bool>(false));
    box.setSelStart(6);
    box.setSelLength(4);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
}

void tst_platform::findHonoursOptions()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("The cat scattered Cats\nline two cat"));
    QCOMPARE(box.Find(QStringLiteral("cat"), 0), 4);
    QCOMPARE(box.SelText(), QStringLiteral("cat"));
    QCOMPARE(box.Find(QStringLiteral("cat"), 5), 9); // inside "scattered"
    QCOMPARE(box.Find(QStringLiteral("cat"), 5, -1, RichTextBox::WholeWord), 32);
    QCOMPARE(box.Find(QStringLiteral("Cat"), 5, -1, RichTextBox::MatchCase), 18);
    QCOMPARE(box.Find(QStringLiteral("cat"), 10, 21), 18); // "Cat" at 18..21 lies within
    QCOMPARE(box.Find(QStringLiteral("cat"), 10, 20), -1); // but not within 10..20
    QCOMPARE(box.Find(QString(), 0), -1);
    QCOMPARE(box.Find(QStringLiteral("cat"), 1000), -1);
    box.setSelStart(35);
    box.setSelText(QStringLiteral("x\u00A0y")); // a no-break space is found by a space
    QCOMPARE(box.Find(QStringLiteral("x y"), 0), 35);
    // Such a text is looked for a stretch at a time; a match across two stretches is found too.
    box.setSelStart(0);
    box.setSelText(QString(4094 - 35, u'-'));
    QCOMPARE(box.Find(QStringLiteral("x y"), 0), 4094);
}

void tst_platform::marksAndCountsMatchAsFindDoes()
{
    RichTextBox box;
    box.resize(400, 200);
    box.show();
    box.setSelText(u"cat Cat cat cats x\u00A0y"_qs);
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    using Pair = std::pair<qsizetype, qsizetype>;
    using Marks = std::vector<Pair>;
    const std::atomic_bool go{false};
    const auto count = [&](const QString& text, int options, qsizetype at) {
        const RichTextBox::MatchTally t = box.matchCounter(text, options, at)(go);
        return std::pair(t.before, t.total);
    };
    box.setMatchMarks("cat", RichTextBox::MatchCase | RichTextBox::WholeWord);
    QCOMPARE(view->shownMatchMarks(), (Marks{{0, 3}, {8, 3}}));
    QCOMPARE(count("cat", RichTextBox::MatchCase | RichTextBox::WholeWord, 8), Pair(1, 2));
    box.setMatchMarks("CAT", 0);
    QCOMPARE(view->shownMatchMarks(), (Marks{{0, 3}, {4, 3}, {8, 3}, {12, 3}}));
    box.setMatchMarks("x y", 0); // a no-break space is found by a space
    QCOMPARE(view->shownMatchMarks(), (Marks{{17, 3}}));
    QCOMPARE(count("x y", 0, 0), Pair(0, 1));
    box.setSelStart(0);
    QTest::keyClick(view, Qt::Key_X);
    QVERIFY(view->shownMatchMarks().empty()); // an edit takes them away

    // A large text is read in pieces: matches across their seams count, and whole words are told
    // by the characters beyond them.
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
    box.setSelText(QStringLiteral("cat scat ").repeated(30000));
    QCOMPARE(count("cat", RichTextBox::WholeWord, 9 * 100), Pair(100, 30000));
    QCOMPARE(count("scat cat scat", RichTextBox::WholeWord, 0), Pair(0, 29999));
    QCOMPARE(count("cat", 0, 1), Pair(1, 60000));

    RichTextBox rich; // the rich view counts and marks as its own Find finds
    rich.resize(400, 200);
    rich.show();
    rich.setSelText("cat Cat cat cats");
    rich.setSelStart(0);
    rich.setSelLength(3);
    rich.setSelAlignment(RichTextBox::Center);
    QVERIFY(rich.isRichView());
    const RichTextBox::MatchTally t = rich.matchCounter("cat", RichTextBox::WholeWord, 8)(go);
    QCOMPARE(std::pair(t.before, t.total), Pair(2, 3));
    const auto richMarks = [&] {
        QList<int> at;
        for (const QTextEdit::ExtraSelection& s : qobject_cast<QTextEdit*>(rich.hwnd())->extraSelections())
            at << s.cursor.selectionStart();
        return at;
    };
    rich.setMatchMarks("cat", RichTextBox::WholeWord);
    QCOMPARE(richMarks(), (QList<int>{0, 4, 8}));
    rich.setSelText("x");
    QVERIFY(richMarks().isEmpty());
}

void tst_platform::marksAreFoundForTheShownRowsOnly()
{
    RichTextBox box;
    box.resize(400, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("line %1 of cats\n").arg(i, 4, 10, QChar(u'0'));
    box.setSelText(text); // each line 18 characters long
    box.setSelStart(0);
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    box.setMatchMarks("cat", 0);
    using Pair = std::pair<qsizetype, qsizetype>;
    const auto marks = view->shownMatchMarks();
    QVERIFY(marks.size() > 3 && marks.size() < 30);
    QCOMPARE(marks.front(), Pair(13, 3));
    for (size_t i = 1; i < marks.size(); ++i)
        QCOMPARE(marks[i].first, marks[i - 1].first + 18);
    // A match found out of sight is shown in the middle of the window.
    QCOMPARE(box.Find("0500 of", 0), 18 * 500 + 5);
    const QRect found = view->characterRect(box.SelStart());
    QVERIFY(!found.isEmpty());
    QVERIFY(qAbs(found.center().y() - view->viewport()->height() / 2) <= found.height());
    QCOMPARE(view->shownMatchMarks().front().first % 18, 13); // the marks follow the window
    QVERIFY(view->shownMatchMarks().front().first > 18 * 480);
    // One found in sight leaves the window where it is.
    const qsizetype top = view->offsetAt(QPoint(0, 0));
    QCOMPARE(box.Find("0502 of", 0), 18 * 502 + 5);
    QCOMPARE(view->offsetAt(QPoint(0, 0)), top);
}

void tst_platform::plainViewKeys_data()
{
    // The text before and after the keys, "|" where the caret is; "^" holds Ctrl.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    QTest::newRow("Ctrl+Left at a line's start: the line before") << "ab\n|cd" << "^Left" << "ab|\ncd";
    QTest::newRow("Ctrl+Left over blanks: the line's start") << "one\n  |two" << "^Left ^Left" << "one|\n  two";
    QTest::newRow("Ctrl+Right at a line's end: the next line") << "one|\ntwo" << "^Right" << "one\n|two";
    QTest::newRow("Ctrl+Right over blanks: the break") << "o|ne  \ntwo" << "^Right ^Right" << "one  \n|two";
    QTest::newRow("Ctrl+Backspace at a line's start joins it") << "one\n|two" << "^Backspace" << "one|two";
    QTest::newRow("Ctrl+Backspace at a line's end takes its last word") << "one two|\nx" << "^Backspace" << "one |\nx";
    QTest::newRow("Ctrl+Backspace at the start: nothing") << "|one" << "^Backspace" << "|one";
    QTest::newRow("Ctrl+Delete at a line's end joins the next") << "one|\ntwo" << "^Delete" << "one|two";
    QTest::newRow("Ctrl+Delete stops at the break") << "|one  \ntwo" << "^Delete" << "|\ntwo";
    QTest::newRow("pasted lone CRs are line breaks") << "a|b" << "^V" << "ax\ny\n|b";
    QTest::newRow("undo of a paste") << "a|b" << "^V ^Z" << "a|b";
    QTest::newRow("a surrogate pair is one character") << u"ab|\U0001F600cd"_qs << "Right Backspace" << "ab|cd";
    QTest::newRow("Enter and Tab type what they stand for") << "ab|cd" << "X Y Return Tab" << "abxy\n\t|cd";
    QTest::newRow("a run of typing is one undo step") << "ab|cd" << "X Y Return Tab ^Z" << "ab|cd";
    QTest::newRow("and one redo step") << "ab|cd" << "X Y Return Tab ^Z ^Y" << "abxy\n\t|cd";
    QTest::newRow("Insert types over what follows") << "|abc" << "Ins X Ins Y" << "xy|bc";
    QTest::newRow("but never over a line break") << "|ab\ncd" << "Ins X Y Z" << "xyz|\ncd";
    QTest::newRow("Delete joins lines") << "ab|\ncd" << "Del" << "ab|cd";
}

void tst_platform::plainViewKeys()
{
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    RichTextBox box;
    box.setSelText(QString(before).remove(u'|'));
    box.setSelStart(before.indexOf(u'|'));
    QGuiApplication::clipboard()->setText(QStringLiteral("x\ry\r"));
    for (const QString& key : keys.split(u' ')) {
        const QKeySequence sequence(QString(key).replace(u'^', QStringLiteral("Ctrl+")));
        QTest::keyClick(box.hwnd(), Qt::Key(sequence[0].key()), sequence[0].keyboardModifiers());
    }
    QCOMPARE(box.Text().insert(box.SelStart(), u'|'), after);
    QVERIFY(!box.isRichView());
}

void tst_platform::clicksAndArrowsRightOfAWrappedRowStayOnIt()
{
    // Right of a wrapped row, a click or Up / Down puts the caret at the row's end, where End does,
    // never at the start of the next row; a walk down keeps its column over a short line.
    RichTextBox box;
    box.resize(300, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QString m(200, u'm');
    box.setSelText(m + "\nx\nab " + m); // the last line wraps after "ab "
    box.setSelStart(0);
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    QVERIFY(view);
    const auto clickRightOf = [&](qsizetype offset) {
        const QPoint at(view->viewport()->width() - 3, view->characterRect(offset).center().y());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at, 500);
    };
    clickRightOf(0);
    const qsizetype rowEnd = box.SelStart();
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(box.SelStart(), 0);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(box.SelStart(), rowEnd);
    for (int rows = 0; box.SelStart() <= 202 && rows < 100; ++rows)
        QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(box.SelStart(), 205); // behind "ab"
    clickRightOf(212);
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(box.SelStart(), 205);
    clickRightOf(203);
    QCOMPARE(box.SelStart(), 205);

    // A wrap width wider than the window's text area, as the document window asks for when the
    // line numbers take part of its margin, still keeps every row's end in sight.
    box.setRightMargin(15.0 * (box.hwnd()->width() + 40));
    box.setSelStart(0);
    QTest::keyClick(view, Qt::Key_End);
    QVERIFY(view->caretRect().right() < view->viewport()->width());
}

void tst_platform::unwrappedLinesScrollSideways()
{
    RichTextBox box;
    box.resize(300, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setWordWrap(false);
    box.setSelText(QString(500, u'x') + "\nshort\n" + QString(3000, u'y') + " end");
    box.setSelStart(0);
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    QVERIFY(view);
    const auto shown = [&] { return view->viewport()->rect().contains(view->caretRect()); };
    // The 500 x are one row, the next line the row below it.
    const QRect first = view->characterRect(0);
    QCOMPARE(view->characterRect(499).top(), first.top());
    QCOMPARE(view->characterRect(501).top(), first.top() + first.height());
    view->viewport()->repaint();
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(box.SelStart(), 500);
    QVERIFY(shown());
    QVERIFY(view->horizontalScrollBar()->value() > 0);
    // A click where a character is shown lands on it, scrolled or not.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->characterRect(495).topLeft() + QPoint(1, 2));
    QCOMPARE(box.SelStart(), 495);
    // Down to a short line and Up again: the caret comes back to the column it left.
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(box.SelStart(), 506);
    QVERIFY(shown());
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(box.SelStart(), 495);
    QTest::keyClick(view, Qt::Key_Home);
    QVERIFY(shown() && view->horizontalScrollBar()->value() == 0);
    // A line of thousands of characters: its end is reached, shown, and typed at.
    box.setSelStart(507);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(box.SelStart(), 507 + 3004);
    QVERIFY(shown());
    QTest::keyClicks(view, QStringLiteral("!"));
    QVERIFY(box.Text().endsWith(QStringLiteral("y end!")) && shown());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->characterRect(507 + 3001).topLeft() + QPoint(1, 2));
    QCOMPARE(box.SelStart(), 507 + 3001); // the "e" of "end"
    // Wrapped again, the x take several rows and nothing scrolls sideways.
    box.setWordWrap(true);
    QVERIFY(view->characterRect(499).top() > view->characterRect(0).top() || view->characterRect(0).isEmpty());
    QVERIFY(!view->horizontalScrollBar()->isVisible());
}

void tst_platform::zoomEnlargesTheScreenOnly()
{
    QTemporaryDir dir;
    const QString plain = dir.filePath("a.txt"), rich = dir.filePath("a.rtf");
    writeFile(plain, "one\r\ntwo\r\n");
    writeFile(rich, R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\fs20 small \fs48 large\par})");
    for (const QString& path : {plain, rich}) {
        RichTextBox box;
        box.resize(400, 300);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setFontSize(10);
        box.LoadFile(path);
        const int type = path == rich ? RichTextBox::RichText : RichTextBox::PlainText;
        box.SaveFile(dir.filePath("before"), type);
        // The row of the caret, in whichever view shows the document.
        const auto rowHeight = [&] {
            box.setSelStart(box.TextLength() - 1);
            if (auto* edit = qobject_cast<QTextEdit*>(box.hwnd()))
                return edit->cursorRect().height();
            return qobject_cast<platform::PlainView*>(box.hwnd())->caretRect().height();
        };
        const int normal = rowHeight();
        box.setZoom(3);
        QVERIFY2(rowHeight() > normal * 13 / 10, qPrintable(path)); // 1.1 cubed: a third larger
        QCOMPARE(box.FontSize(), 10.0);
        box.SaveFile(dir.filePath("zoomed"), type);
        QCOMPARE(readFile(dir.filePath("zoomed")), readFile(dir.filePath("before")));
        // A new font keeps the step; Normal Size comes back to the row the font gives.
        box.setFontSize(12);
        QCOMPARE(box.Zoom(), 3);
        box.setFontSize(10);
        box.setZoom(0);
        QCOMPARE(rowHeight(), normal);
        // 10 points go no further than 72 (1.1 to the 20th is 6.7) or below 4 (1.1 to the -9th is 0.42).
        box.setZoom(100);
        QCOMPARE(box.Zoom(), 20);
        box.setZoom(-100);
        QCOMPARE(box.Zoom(), -9);
    }
}

// The colour each shown character of a line has, as "." (plain) or the colour's name.
static QStringList colorsOf(const platform::PlainView& view, qsizetype line, qsizetype length)
{
    QStringList out(length, QStringLiteral("."));
    for (const QTextLayout::FormatRange& r : view.lineFormats(line)) {
        for (int i = r.start; i < r.start + r.length && i < length; ++i)
            out[i] = r.format.foreground().color().name();
    }
    return out;
}

void tst_platform::syntaxColoursAreShownOnly()
{
    RichTextBox box;
    box.setBackColor(0xFFFFFF);
    box.resize(400, 300);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFileName(QStringLiteral("/home/u/src/main.cpp"));
    const QString text = "x // ok\n" + QStringLiteral("y\n").repeated(300) + "z"; // past a state's checkpoint
    box.setSelText(text);
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    QVERIFY(view);
    const QString comment = QStringLiteral("#5c6166"), plain = QStringLiteral(".");
    QCOMPARE(colorsOf(*view, 0, 7), QStringList({plain, plain, comment, comment, comment, comment, comment}));
    QCOMPARE(colorsOf(*view, 2, 1), QStringList({plain}));
    QSignalSpy changes(&box, &RichTextBox::Change);
    for (int slice = 0; slice < 4; ++slice)
        QCoreApplication::processEvents(); // the background colouring runs
    QCOMPARE(changes.count(), 0);
    QCOMPARE(box.Text(), text);

    // A comment opened at the top colours the shown lines below it.
    box.setSelStart(0);
    QTest::keyClicks(view, QStringLiteral("/*"));
    QTRY_COMPARE(colorsOf(*view, 2, 1), QStringList({comment}));
    QCOMPARE(box.Text(), "/*" + text);
    box.setSyntaxColors(false);
    QCOMPARE(colorsOf(*view, 2, 1), QStringList({plain}));
    box.setSyntaxColors(true);
    QTRY_COMPARE(colorsOf(*view, 301, 1), QStringList({comment})); // once the colouring reaches it
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier); // the colours follow an undo
    QTRY_COMPARE(colorsOf(*view, 301, 1), QStringList({plain}));

    // An untitled document takes the language its first line shows; a text file stays plain.
    box.setFileName(QStringLiteral("Untitled 2"));
    QCOMPARE(colorsOf(*view, 0, 2), QStringList({plain, plain}));
    box.setSelStart(0);
    QTest::keyClicks(view, QStringLiteral("<?php echo 1; ?>"));
    QCOMPARE(colorsOf(*view, 0, 10).mid(6), QStringList(4, QStringLiteral("#0b3fa8"))); // echo
    box.setFileName(QStringLiteral("notes.txt"));
    QCOMPARE(colorsOf(*view, 0, 10).mid(6), QStringList(4, plain));
}

void tst_platform::bracketsPairOutsideStringsAndComments()
{
    RichTextBox box;
    box.setFileName(QStringLiteral("a.js"));
    box.setSelText(QStringLiteral("f(a, \")\", (b)); // )\n[1,\n 2]"));
    auto* view = qobject_cast<platform::PlainView*>(box.hwnd());
    const auto at = [&](qsizetype caret) {
        box.setSelStart(caret);
        return view->matchedBrackets();
    };
    using Pair = std::pair<qsizetype, qsizetype>;
    QCOMPARE(at(1), Pair(1, 13));   // before "(": the ")" in the string is not its partner
    QCOMPARE(at(14), Pair(13, 1));  // after the last ")": back to the first "("
    QCOMPARE(at(11), Pair(10, 12)); // after "(" when no bracket follows
    QCOMPARE(at(19), Pair(-1, -1)); // the ")" in the comment has none
    QCOMPARE(at(21), Pair(21, 27)); // over a line break
    box.setSyntaxColors(false);     // without colours every bracket counts
    QCOMPARE(at(1), Pair(1, 6));
}

void tst_platform::loadErrorsNameTheFile()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("none.txt");
    const std::tuple<QString, int, QString> cases[] = {
        {missing, 53, "File not found: " + missing},
        {dir.path(), 75, dir.path() + " is a folder, not a file"},
        {"/dev/null", 75, "/dev/null is not a regular file."}};
    for (const auto& [path, number, description] : cases) {
        RichTextBox box;
        box.setSelText("kept");
        try {
            box.LoadFile(path);
            QFAIL(qPrintable(path + " loaded"));
        } catch (const platform::AppError& e) {
            QCOMPARE(e.number, number);
            QCOMPARE(e.description, description);
        }
        QCOMPARE(box.Text(), QStringLiteral("kept"));
    }

    // A file that another program deletes while it is read: what was read is kept, and said.
    const QString going = dir.filePath("going.txt");
    writeFile(going, QByteArray("line\n").repeated(100000));
    bool deleted = false;
    const platform::LoadedDocument loaded = platform::loadDocument(going, QFont(), [&](int) {
        deleted = deleted || QFile::remove(going);
        return true;
    });
    QVERIFY(deleted && loaded.vanished);
    QCOMPARE(loaded.store->text(), QString("line\n").repeated(100000));
    writeFile(going, "here");
    QVERIFY(!platform::loadDocument(going, QFont()).vanished);
}

void tst_platform::failedSaveLeavesOldFileWhole()
{
    // A file of the system's own that no one may write: said so, whoever the user is.
    try {
        RichTextBox box;
        box.setSelText("x");
        box.SaveFile("/proc/cpuinfo", RichTextBox::PlainText);
        QFAIL("a save into /proc reported success");
    } catch (const platform::AppError& e) {
        QVERIFY2(e.description == "/proc/cpuinfo cannot be written."
                     || e.description == "Permission denied: /proc/cpuinfo",
                 qPrintable(e.description));
    }
    SmallDisk disk(64);
    QUIPLE_NEED(disk.isValid(), "the right to mount a small tmpfs (root)");
    const QString path = disk.path("keep.txt");
    writeFile(path, "old content");
    RichTextBox box;
    box.setSelText(QString(64, u'x').append(u'\n').repeated(3200));
    try {
        box.SaveFile(path, RichTextBox::PlainText);
        QFAIL("a save onto a full disk reported success");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, "There is not enough space on the disk to save " + path + ".");
    }
    QCOMPARE(readFile(path), QByteArray("old content"));
    QCOMPARE(QDir(disk.path("")).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.txt"});
    QVERIFY_THROWS_EXCEPTION(platform::AppError,
                             box.SaveFile(disk.path("missing/x.txt"), RichTextBox::PlainText));
    // A print into a file that the full disk cannot take is an error, and leaves no empty file.
    QFile filler(disk.path("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
    }
    filler.close();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(disk.path("printed.pdf"));
    try {
        box.SelPrint(&printer);
        QFAIL("a print onto a full disk reported success");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, "There is not enough space on the disk to print to " + disk.path("printed.pdf") + ".");
    }
    QVERIFY(!QFile::exists(disk.path("printed.pdf")));
}

void tst_platform::saveTemporariesAreNamedAndCleared()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("notes.txt");
    writeFile(path, "old");
    // What a killed save left: of this file by a program that is gone (cleared), of this file by
    // one still running (its parent: kept), of another file, and the user's own hidden files.
    const QString gone = QStringLiteral(".notes.txt.save-2147483646-Ab12Cd");
    const QString running = QStringLiteral(".notes.txt.save-%1-Xy34Zw").arg(::getppid());
    const QStringList others = {".other.txt.save-2147483646-Ab12Cd", ".notes.txt.swp", ".notes.txt.save-old"};
    for (const QString& name : QStringList{gone, running} + others)
        writeFile(dir.filePath(name), "left");
    QStringList during;
    platform::writeWholeFile(path, "new", [&](int permille) {
        if (permille == 1000)
            during = QDir(dir.path()).entryList({".notes.txt.save-*"}, QDir::Files | QDir::Hidden);
        return true;
    });
    // While it is written, its temporary says whose it is.
    during.removeOne(running);
    during.removeOne(".notes.txt.save-old");
    QCOMPARE(during.size(), 1);
    QVERIFY2(during[0].startsWith(QStringLiteral(".notes.txt.save-%1-").arg(::getpid())), qPrintable(during[0]));
    QCOMPARE(readFile(path), QByteArray("new"));
    QStringList after = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    after.sort();
    QStringList expected = QStringList{"notes.txt", running} + others;
    expected.sort();
    QCOMPARE(after, expected);
    // A name of the longest kind keeps its start in its temporary's.
    const QString longName = dir.filePath(QString(255, u'n'));
    writeFile(longName, "x");
    platform::writeWholeFile(longName, "y", [&](int permille) {
        if (permille == 1000)
            during = QDir(dir.path()).entryList({"." + QString(200, u'n') + "*"}, QDir::Files | QDir::Hidden);
        return true;
    });
    QCOMPARE(during.size(), 1);
    QCOMPARE(readFile(longName), QByteArray("y"));
}

void tst_platform::inPlaceSavesKeepTheOldTextAside()
{
    // A file with two names is written in place. While the new text goes in, the old one lies in
    // a file aside with a note of whose it is, so that a kill at that moment loses nothing.
    QTemporaryDir dir, aside;
    platform::setKeptAsideFolder(aside.path());
    const auto noFolder = qScopeGuard([] { platform::setKeptAsideFolder(QString()); });
    const QString path = dir.filePath("f.txt"), other = dir.filePath("g.txt");
    writeFile(path, "old text");
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    QStringList during;
    QByteArray keptText, keptName;
    platform::writeWholeFile(path, "new text, longer", [&](int permille) {
        const QDir folder(aside.path());
        if (permille > 300 && during.isEmpty()) {
            during = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
            keptText = readFile(folder.filePath(during.value(0)));
            keptName = readFile(folder.filePath(during.value(1)));
        }
        return true;
    });
    QCOMPARE(during.size(), 2);
    QVERIFY2(during[0].startsWith(QStringLiteral("f.txt.%1-").arg(::getpid())) && during[1] == during[0] + ".file",
             qPrintable(during.join(' ')));
    QVERIFY(keptText == "old text" && keptName == QFile::encodeName(path));
    QVERIFY(readFile(other) == "new text, longer" && QDir(aside.path()).isEmpty());

    // What a killed save left is told once, by the file's name and where its old text is.
    writeFile(aside.filePath("h.txt.2147483646-Ab12Cd"), "h's old text");
    writeFile(aside.filePath("h.txt.2147483646-Ab12Cd.file"), QFile::encodeName(dir.filePath("h.txt")));
    writeFile(aside.filePath("i.txt.%1-Cd34Ef.file").arg(::getppid()), "a save still running"); // not left
    const QList<platform::LeftAside> left = platform::takeLeftAside();
    QCOMPARE(left.size(), 1);
    QVERIFY(left[0].file == dir.filePath("h.txt") && left[0].copy == aside.filePath("h.txt.2147483646-Ab12Cd"));
    QVERIFY(platform::takeLeftAside().isEmpty() && readFile(left[0].copy) == "h's old text");

    // A full disk: the old text that cannot be kept aside is never written over; a new text the
    // disk cannot take is taken back. Either way the file is whole, whatever its size.
    SmallDisk disk(64);
    QUIPLE_NEED(disk.isValid(), "the right to mount a small tmpfs (root)");
    const QString small = disk.path("s.txt");
    writeFile(small, QByteArray(20 * 1024, 'o'));
    QCOMPARE(::link(QFile::encodeName(small).constData(), QFile::encodeName(disk.path("t.txt")).constData()), 0);
    try {
        platform::writeWholeFile(small, QByteArray(100 * 1024, 'n'));
        QFAIL("a save bigger than the disk reported success");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, "There is not enough space on the disk to save " + small + ".");
    }
    QCOMPARE(readFile(disk.path("t.txt")), QByteArray(20 * 1024, 'o'));
    platform::setKeptAsideFolder(disk.path("aside"));
    QFile filler(disk.path("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
    }
    filler.close();
    try {
        platform::writeWholeFile(small, "short");
        QFAIL("a save that could not keep the old text aside reported success");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, small + " was left as it was: there is not enough space on the disk to "
                                        "keep its old text aside while it is written.");
    }
    QCOMPARE(readFile(disk.path("t.txt")), QByteArray(20 * 1024, 'o'));
    QVERIFY(QDir(disk.path("aside")).isEmpty());
}

void tst_platform::aCancelOnceTheWorkHasEndedTakesNothingBack()
{
    // The user's Cancel reaches the window only once the work has written its last byte: the work
    // stands, and nobody is told that the file was left as it was.
    bool done = false;
    platform::runWithProgress(nullptr, "Saving a.txt...", "Saving was cancelled", [&](const auto& progress) {
        progress(0);
        QMetaObject::invokeMethod(qApp, [] {
            if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
                d->findChild<QPushButton*>()->click();
        }, Qt::QueuedConnection);
        done = true;
    });
    QVERIFY(done);
}

void tst_platform::saveKeepsWhatTheFileWas()
{
    QUIPLE_NEED(::geteuid() == 0, "root, to play another user and to give files away");
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadOther | QFile::ExeOther);
    const QString path = dir.filePath("f.txt");
    const QByteArray native = QFile::encodeName(path), other = QFile::encodeName(dir.filePath("g.txt"));
    writeFile(path, "old");
    QCOMPARE(::chmod(native.constData(), 0640), 0);
    QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    platform::writeWholeFile(path, "new one"); // a new file in its place, with its mode and owner

    // A program another user runs as themselves, with its attributes and an access list that
    // lets user 1234 read and run it.
    const QString program = dir.filePath("run.sh");
    const QByteArray runNative = QFile::encodeName(program);
    writeFile(program, "#!/bin/sh\n");
    QCOMPARE(::chown(runNative.constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(runNative.constData(), 06750), 0);
    const QByteArray acl = QByteArray::fromHex("02000000" "01000700ffffffff" "02000500d2040000"
                                               "04000500ffffffff" "10000500ffffffff" "20000000ffffffff");
    QCOMPARE(::setxattr(runNative.constData(), "user.origin", "kept", 4, 0), 0);
    QCOMPARE(::setxattr(runNative.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0), 0);
    platform::writeWholeFile(program, "#!/bin/sh\necho new\n");
    struct stat run {};
    QCOMPARE(::stat(runNative.constData(), &run), 0);
    QCOMPARE(run.st_mode & 07777, 06750u);
    QVERIFY(run.st_uid == 65534 && run.st_gid == 65534);
    char value[64] = {};
    QCOMPARE(::getxattr(runNative.constData(), "user.origin", value, sizeof value), ssize_t(4));
    QCOMPARE(QByteArray(value, 4), QByteArray("kept"));
    const ssize_t aclSize = ::getxattr(runNative.constData(), "system.posix_acl_access", value, sizeof value);
    QCOMPARE(QByteArray(value, int(std::max<ssize_t>(aclSize, 0))), acl);
    QVERIFY(QFile::remove(program));
    QCOMPARE(::link(native.constData(), other.constData()), 0); // another name sees the new text too
    platform::writeWholeFile(path, "two");
    QCOMPARE(readFile(dir.filePath("g.txt")), QByteArray("two"));
    QCOMPARE(::unlink(other.constData()), 0);

    // The owner of the file may save it in a folder they may not write to.
    QCOMPARE(::setegid(65534), 0);
    QCOMPARE(::seteuid(65534), 0);
    const auto backToRoot = qScopeGuard([] {
        QCOMPARE(::seteuid(0), 0);
        QCOMPARE(::setegid(0), 0);
    });
    platform::writeWholeFile(path, "longer than before");
    platform::writeWholeFile(path, "short");
    try {
        platform::writeWholeFile(dir.filePath("new.txt"), "x");
        QFAIL("a file was made in a folder that may not be written");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, "Permission denied: " + dir.filePath("new.txt"));
    }
    struct stat st {};
    QCOMPARE(::stat(native.constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0640u);
    QCOMPARE(st.st_uid, 65534u);
    QCOMPARE(st.st_gid, 65534u);
    QCOMPARE(readFile(path), QByteArray("short"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});

    // In a folder of the user's own, another's file the user may not write is refused, as is the
    // user's own read-only file until it is allowed.
    QCOMPARE(::seteuid(0), 0);
    QTemporaryDir own;
    QCOMPARE(::chown(QFile::encodeName(own.path()).constData(), 65534, 65534), 0);
    const QString roots = own.filePath("root.txt"), mine = own.filePath("mine.txt");
    writeFile(roots, "root's");
    writeFile(mine, "mine");
    QCOMPARE(::chmod(QFile::encodeName(roots).constData(), 0644), 0);
    QCOMPARE(::chmod(QFile::encodeName(mine).constData(), 0444), 0);
    QCOMPARE(::chown(QFile::encodeName(mine).constData(), 65534, 65534), 0);
    QCOMPARE(::seteuid(65534), 0);
    for (const QString& refused : {roots, mine}) {
        try {
            platform::writeWholeFile(refused, "overwritten");
            QFAIL(qPrintable(refused + " was written"));
        } catch (const platform::AppError& e) {
            QCOMPARE(e.description, "Permission denied: " + refused);
        }
    }
    QCOMPARE(::stat(QFile::encodeName(roots).constData(), &st), 0);
    QVERIFY(st.st_uid == 0 && readFile(roots) == "root's");
    QCOMPARE(platform::writeAccess(mine), platform::WriteAccess::OwnReadOnly);
    {
        platform::ReadOnlyOverride allowed(mine);
        platform::writeWholeFile(mine, "saved anyway");
    }
    QCOMPARE(::stat(QFile::encodeName(mine).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0444u);
    QCOMPARE(readFile(mine), QByteArray("saved anyway"));
    QCOMPARE(QDir(own.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"mine.txt", "root.txt"}));
}

void tst_platform::namesThatAreNotUtf8KeepTheirBytes()
{
    // A name is bytes: one that is not UTF-8 (an old Latin-1 name) is read and saved as itself.
    QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\xE9 \xFF\xC3.txt";
    FILE* f = ::fopen(raw.constData(), "wb");
    QVERIFY(f && ::fputs("old", f) >= 0 && ::fclose(f) == 0);
    const QString name = platform::decodeFileName(raw);
    QCOMPARE(platform::readRegularFile(name), QByteArray("old"));
    platform::writeWholeFile(name, "new");
    char back[8] = {};
    f = ::fopen(raw.constData(), "rb");
    QVERIFY(f && ::fread(back, 1, sizeof back, f) == 3 && ::fclose(f) == 0);
    QCOMPARE(QByteArray(back), QByteArray("new"));
    const std::filesystem::directory_iterator files(QFile::encodeName(dir.path()).toStdString());
    QCOMPARE(std::distance(begin(files), end(files)), 1); // no second name beside it
}

void tst_platform::colorValues()
{
    QCOMPARE(platform::toQColor(platform::rgbValue(1, 2, 3)), QColor(1, 2, 3));
    QCOMPARE(platform::fromQColor(QColor(0, 0, 255)), 0xFF0000);
    const QPalette palette(Qt::red, Qt::green); // the window background is the palette's base
    QCOMPARE(platform::toQColor(platform::parseColorValue(QStringLiteral("-2147483643")), palette),
             palette.color(QPalette::Base));
    for (const char* bad : {"red", "99999999999"})
        QVERIFY_THROWS_EXCEPTION(platform::AppError, platform::parseColorValue(QString::fromLatin1(bad)));
    QVERIFY_THROWS_EXCEPTION(platform::AppError, platform::toQColor(0x7000000));
}

void tst_platform::fontFamiliesAreNamedOnce()
{
    QCOMPARE(platform::familyNames({"C059 [UKWN]", "Sans", "C059 [urw]", "Odd [x] y", "C059"}),
             (QStringList{"C059", "Sans", "Odd [x] y"}));
    const QStringList installed = platform::QtFonts().families();
    QVERIFY(!installed.isEmpty());
    for (const QString& name : installed)
        QVERIFY2(!name.endsWith(u']') && installed.count(name) == 1, qPrintable(name));
}

void tst_platform::saveDialogRefusesAMissingFolder()
{
    QTemporaryDir dir;
    platform::FileRequest request;
    request.kind = platform::FileRequest::Kind::Save;
    request.title = QStringLiteral("Save As");
    request.pathMustExist = true;
    // The user types a name in a folder that does not exist, is told so, then types another.
    const QStringList typed = {dir.filePath("missing/a.txt"), dir.filePath("a.txt")};
    qsizetype next = 0;
    QStringList refusals;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            refusals << box->text();
            box->accept();
        } else if (auto* d = qobject_cast<QFileDialog*>(w); d && next < typed.size()) {
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed.at(next++));
            QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection); // as Save does
        }
    });
    user.start(1);
    const platform::FileAnswer answer = platform::QtDialogs().file(nullptr, request);
    QCOMPARE(refusals.size(), 1);
    QVERIFY2(refusals[0].contains(dir.filePath("missing")), qPrintable(refusals[0]));
    QVERIFY(answer.accepted);
    QCOMPARE(answer.fileName, typed.at(1));
}

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
