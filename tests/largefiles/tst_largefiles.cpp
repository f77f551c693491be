// Plain documents in the editor's own view, every byte kept; big files; paragraphs with no breaks.
#include "MainFixture.h"
#include "platform/RichTextBox.h"
#include "platform/rtf/LongRuns.h"

#include <QAccessible>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QUrl>

using platform::RichTextBox;

namespace {

// Words "w0 w1 w2 ..." up to about the given length.
QString words(qsizetype length)
{
    QString s;
    for (int i = 0; s.size() < length; ++i)
        s += QStringLiteral("w%1 ").arg(i);
    return s;
}

// Prose: words of mixed lengths in an irregular order, one space between them.
QString prose(qsizetype length)
{
    static const char* const kWords[] = {"over", "dog", "editors", "brown", "measure", "a", "paragraph",
                                         "of", "quietly", "unremarkable", "text", "is", "common"};
    QString s;
    for (unsigned i = 7; s.size() < length; i = i * 1103515245u + 12345u)
        s += QLatin1String(kWords[(i >> 16) % 13]) + u' ';
    return s;
}

// Where each row of a line starts when the whole line is laid out at once at this width.
QList<qsizetype> wholeLineRows(const QString& line, const QFont& font, qreal width)
{
    QTextLayout layout(line, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<qsizetype> starts;
    layout.beginLayout();
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(width);
        starts << row.textStart();
    }
    layout.endLayout();
    return starts;
}

// The columns of a band of the window where a pixel stands out from the window's background.
QList<int> inkColumns(QWidget* window, int top, int height)
{
    const QImage image = window->grab().toImage();
    const int background = qGray(image.pixel(image.width() - 2, image.height() - 2));
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = top; y < top + height && y < image.height(); ++y) {
            if (std::abs(qGray(image.pixel(x, y)) - background) > 60) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

void press(RichTextBox& box, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(box.hwnd(), key, mods);
}

// A box shown 400 pixels wide, so that long lines wrap, with the keyboard.
struct ShownBox {
    QWidget window;
    RichTextBox* box = new RichTextBox(&window);
    explicit ShownBox(const QString& text)
    {
        window.resize(400, 300);
        box->resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        box->setSelText(text);
        box->setSelStart(0);
        box->SetFocus();
    }
    QWidget* viewport() const { return static_cast<QAbstractScrollArea*>(box->hwnd())->viewport(); }
};

} // namespace

class tst_largefiles : public QObject {
    Q_OBJECT
private slots:
    void keysMoveOverDisplayLines();
    void mouseSelectsAndReports();
    void inputMethodsAndScreenReaders();
    void richParagraphWithoutBreaksIsOneParagraphReadBesideAndSavedWhole();
    void lineNumbersStandLeftOfTheirLines();
    void longLinesWrapWholeThroughRandomEdits();
    void longLineWrapsAsTheWholeLine_data();
    void longLineWrapsAsTheWholeLine();
    void viewWrapsAnywhereOnlyForLongRuns_data();
    void viewWrapsAnywhereOnlyForLongRuns();
};

void tst_largefiles::keysMoveOverDisplayLines()
{
    const QString longLine = words(30000);
    const QString text = QStringLiteral("first\n") + longLine + QStringLiteral("\nlast");
    ShownBox shown(text);
    RichTextBox& box = *shown.box;
    const qsizetype longStart = 6, lastStart = longStart + longLine.size() + 1;
    press(box, Qt::Key_Down);
    QCOMPARE(box.SelStart(), longStart);

    // End stops at the end of the display line, not of the line; Home comes back.
    press(box, Qt::Key_End);
    const qsizetype rowEnd = box.SelStart();
    QVERIFY2(rowEnd > longStart + 10 && rowEnd < longStart + 200, qPrintable(QString::number(rowEnd)));
    press(box, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(box.SelText(), text.mid(longStart, rowEnd - longStart));

    // Down walks the long line a display line at a time.
    press(box, Qt::Key_Right);
    press(box, Qt::Key_Home);
    int rows = 0;
    for (qsizetype before = box.SelStart(); box.SelStart() < lastStart && rows < 100000; ++rows) {
        press(box, Qt::Key_Down);
        QVERIFY(box.SelStart() > before);
        before = box.SelStart();
    }
    QCOMPARE(box.SelStart(), lastStart);
    QVERIFY2(rows > longLine.size() / 200 && rows < longLine.size() / 10, qPrintable(QString::number(rows)));

    // Up from a line's start reaches the last display line of the line before (smart tabs use it).
    press(box, Qt::Key_Up);
    const QString between = text.mid(box.SelStart(), lastStart - box.SelStart());
    QVERIFY2(between.size() < 200 && between.count(u'\n') == 1 && between.endsWith(u'\n'), qPrintable(between));

    // Page Down moves by many display lines at once; Ctrl+arrows go by words.
    press(box, Qt::Key_Home, Qt::ControlModifier);
    press(box, Qt::Key_PageDown);
    QVERIFY(box.SelStart() > longStart + 5 * 40);
    press(box, Qt::Key_PageUp);
    QCOMPARE(box.SelStart(), 0);
    box.setSelStart(longStart);
    press(box, Qt::Key_Right, Qt::ControlModifier);
    press(box, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(box.SelText(), QStringLiteral("w1 "));
    press(box, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(box.SelStart(), longStart + 3);
    QCOMPARE(box.SelLength(), 0);
}

void tst_largefiles::mouseSelectsAndReports()
{
    ShownBox shown(QStringLiteral("alpha beta gamma\nsecond line here\n"));
    RichTextBox& box = *shown.box;
    box.setLineNumbersVisible(false); // the text starts at the margin
    QWidget* vp = shown.viewport();
    const QFontMetrics fm(box.hwnd()->font());
    const QPoint onBeta(4 + fm.horizontalAdvance(QStringLiteral("alpha be")), 4 + fm.height() / 2);
    QTest::mouseClick(vp, Qt::LeftButton, {}, onBeta);
    QCOMPARE(box.SelStart(), 8);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, onBeta);
    QCOMPARE(box.SelText(), QStringLiteral("beta"));
    QTest::mouseClick(vp, Qt::LeftButton, {}, onBeta); // the third click
    QCOMPARE(box.SelText(), QStringLiteral("alpha beta gamma"));
    const QPoint onSecond(4 + fm.horizontalAdvance(QStringLiteral("sec")), 4 + fm.height() * 3 / 2);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, onSecond, 500);
    QCOMPARE(box.SelText(), QStringLiteral("alpha beta gamma\nsec"));

    QSignalSpy ups(&box, &RichTextBox::MouseUp); // the right button's release opens the context menu
    QTest::mouseClick(vp, Qt::RightButton, {}, onBeta, 500);
    QCOMPARE(ups.value(0).value(0).toInt(), 2);
    // Dropped files are reported, never inserted; dropped text goes where it is dropped.
    QSignalSpy drops(&box, &RichTextBox::OLEDragDrop);
    QMimeData files, words;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt")), QUrl::fromLocalFile(QStringLiteral("/tmp/b c.txt"))});
    words.setText(QStringLiteral("NEW "));
    for (QMimeData* data : {&files, &words}) {
        QDragEnterEvent enter(onBeta, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(vp, &enter);
        QDropEvent drop(onBeta, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(vp, &drop);
    }
    QCOMPARE(drops.count(), 1);
    QCOMPARE(drops.at(0).at(0).toStringList(), QStringList({"/tmp/a.txt", "/tmp/b c.txt"}));
    QCOMPARE(box.Text(), QStringLiteral("alpha beNEW ta gamma\nsecond line here\n"));
}

void tst_largefiles::inputMethodsAndScreenReaders()
{
    ShownBox shown(QStringLiteral("first line\nsecond line"));
    RichTextBox& box = *shown.box;
    box.setSelStart(16);
    QInputMethodEvent compose(QStringLiteral("e"), {});
    QApplication::sendEvent(box.hwnd(), &compose);
    QCOMPARE(box.Text(), QStringLiteral("first line\nsecond line")); // only shown while composing
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(box.hwnd(), &commit);
    QCOMPARE(box.Text(), QString::fromUtf8("first line\nsecon\xC3\xA9" "d line"));
    QCOMPARE(box.SelStart(), 17);
    QCOMPARE(box.hwnd()->inputMethodQuery(Qt::ImSurroundingText).toString(), QString::fromUtf8("secon\xC3\xA9" "d line"));
    QCOMPARE(box.hwnd()->inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
    // A screen reader reads the line at the caret.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box.hwnd());
    QVERIFY(a && a->textInterface());
    int from = 0, to = 0;
    const QString line = a->textInterface()->textAtOffset(a->textInterface()->cursorPosition(),
                                                          QAccessible::LineBoundary, &from, &to);
    QCOMPARE(line, QString::fromUtf8("secon\xC3\xA9" "d line"));
    QCOMPARE(from, 11);
}

void tst_largefiles::richParagraphWithoutBreaksIsOneParagraphReadBesideAndSavedWhole()
{
    // A paragraph with no place to break a line, then enough text to be read beside the window.
    QByteArray letters;
    for (int i = 0; i < 20000; ++i)
        letters += char('a' + i % 26);
    const QByteArray rtf = "{\\rtf1\\ansi\\pard\\sb240\\sa120\\fi360 " + letters.left(100) + "{\\b "
                           + letters.mid(100) + "}\\par\n\\pard " + words(300000).toLatin1()
                           + "\\par}";
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.rtf"));
    writeFile(in, rtf);
    QWidget window;
    auto* box = new RichTextBox(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ProgressCanceller user;
    user.armed = false;
    box->LoadFile(in);
    QVERIFY2(user.answered == 1, "the window handles its events while rich text is read");
    QCOMPARE(box->lineCount(), 2);
    QCOMPARE(box->Text(), QString::fromLatin1(letters + '\n' + words(300000).toLatin1()));
    box->SaveFile(dir.filePath(QStringLiteral("out.rtf")), RichTextBox::RichText);
    const QByteArray saved = readFile(dir.filePath(QStringLiteral("out.rtf")));
    QCOMPARE(saved.count("\\par\n"), 2);
    for (const char* word : {"\\sb240", "\\sa120", "\\fi360"})
        QVERIFY2(saved.count(word) == 1, word);
}

void tst_largefiles::lineNumbersStandLeftOfTheirLines()
{
    QStringList lines;
    for (int i = 1; i <= 9; ++i)
        lines << QStringLiteral("line %1").arg(i);
    lines[1] = QStringLiteral("alpha beta ") + words(3000); // wraps over many rows
    ShownBox shown(lines.join(u'\n'));
    RichTextBox& box = *shown.box;
    QWidget* vp = shown.viewport();
    const QFontMetrics fm(box.hwnd()->font());
    const int h = fm.height();
    const auto ink = [&](int row) { return inkColumns(vp, 4 + row * h, h); };

    // The text moves right by the numbers' width; "line 1" ends that much further right.
    box.setLineNumbersVisible(false);
    const int plainEnd = ink(0).last();
    box.setLineNumbersVisible(true);
    const int gutter = ink(0).last() - plainEnd;
    QVERIFY2(gutter > fm.horizontalAdvance(u'9'), qPrintable(QString::number(gutter)));
    // A number stands left of its line's first row only.
    const auto numbered = [&](int row) { return !ink(row).isEmpty() && ink(row).first() < gutter; };
    QVERIFY(numbered(0));
    QVERIFY(numbered(1));
    QVERIFY(!numbered(2));
    QVERIFY(!numbered(3));

    // A click lands on the character drawn there; a click on a number, at its line's start.
    const qsizetype second = lines[0].size() + 1;
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(gutter + 4 + fm.horizontalAdvance(QStringLiteral("alpha be")), 4 + h * 3 / 2));
    QCOMPARE(box.SelStart(), second + 8);
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(gutter / 2, 4 + h * 3 / 2), 500);
    QCOMPARE(box.SelStart(), second);

    // A tenth line widens the column by a digit.
    box.setSelStart(box.TextLength());
    box.setSelText(QStringLiteral("\nline 10"));
    box.setSelStart(0);
    QVERIFY(std::abs(ink(0).last() - plainEnd - gutter - fm.horizontalAdvance(u'9')) <= 1);

    // On a dark background the numbers are light, and as readable as on a light one.
    for (const platform::ColorValue back : {platform::ColorValue(0x202020), platform::ColorValue(0xF0F0F0)}) {
        box.setBackColor(back);
        const QImage image = vp->grab().toImage();
        const int ground = qGray(image.pixel(1, 4 + 2 * h + h / 2)); // the column beside a second row
        int strongest = 0;
        for (int x = 0; x < gutter + fm.horizontalAdvance(u'9') - 2; ++x) {
            for (int y = 4; y < 4 + h; ++y)
                strongest = std::max(strongest, std::abs(qGray(image.pixel(x, y)) - ground));
        }
        QVERIFY2(strongest > 100, qPrintable(u"%1 on %2"_qs.arg(strongest).arg(ground)));
    }
    // Inside a long line, however far it is laid out, no row has a number.
    box.setSelStart(second + lines[1].size() / 2);
    for (int row = 0; 4 + (row + 1) * h < vp->height(); ++row)
        QVERIFY2(!numbered(row), qPrintable(QString::number(row)));
}

// Edits of every kind, at random places, in a window resized now and then: the text is what was
// typed, and each long line still wraps as the whole line would. Down after the program moved the
// caret starts from the caret, not from where earlier Up and Down aimed.
void tst_largefiles::longLinesWrapWholeThroughRandomEdits()
{
    ShownBox shown(prose(150000) + QStringLiteral("\nnext"));
    RichTextBox& box = *shown.box;
    box.setLineNumbersVisible(false);
    QString text = box.Text();
    unsigned seed = 12345;
    const auto random = [&](qsizetype n) { seed = seed * 1103515245u + 12345u; return qsizetype((seed >> 8) % n); };
    for (int step = 1; step <= 1000; ++step) {
        const qsizetype at = random(text.size() + 1);
        box.setSelStart(at);
        switch (random(9)) {
        case 0: box.setSelText(QStringLiteral("xx yy ")); text.insert(at, QStringLiteral("xx yy ")); break;
        case 1: QTest::keyClicks(box.hwnd(), QStringLiteral("a")); text.insert(at, u'a'); break;
        case 2: { const QString run(random(3000), u'q'); box.setSelText(run); text.insert(at, run); break; }
        case 3: box.setSelText(QStringLiteral("\n")); text.insert(at, u'\n'); break;
        case 4: {
            const qsizetype count = std::min(random(200), text.size() - at);
            box.setSelLength(count);
            press(box, Qt::Key_Delete);
            text.remove(at, std::max<qsizetype>(count, at < text.size() ? 1 : 0));
            break;
        }
        case 5: for (int i = 0; i < 30; ++i) press(box, random(2) ? Qt::Key_Down : Qt::Key_Up); break;
        case 6: press(box, Qt::Key_PageDown); press(box, Qt::Key_End, Qt::ControlModifier); break;
        case 7: shown.window.resize(300 + int(random(300)), 300); shown.box->resize(shown.window.size()); break;
        default: QApplication::processEvents(); break;
        }
        if (step % 250 != 0)
            continue;
        QCOMPARE(box.Text(), text);
        box.setSelStart(text.indexOf(u' ', text.size() / 2) + 3); // Down aims here, in its column
        press(box, Qt::Key_Down);
        QApplication::processEvents();
        const qreal width = shown.viewport()->width() - 2 * 4;
        qsizetype lineStart = 0;
        for (const QString& line : text.split(u'\n')) {
            if (line.size() > 1024) {
                const QList<qsizetype> rows = wholeLineRows(line, box.hwnd()->font(), width);
                box.setSelStart(lineStart);
                for (qsizetype i = 1; i < std::min<qsizetype>(rows.size(), 200); ++i) {
                    press(box, Qt::Key_Down);
                    QVERIFY2(box.SelStart() == lineStart + rows[i],
                             qPrintable(u"step %1, line at %2: row %3 at %4, not %5"_qs.arg(step).arg(lineStart)
                                            .arg(i).arg(box.SelStart() - lineStart).arg(rows[i])));
                }
            }
            lineStart += line.size() + 1;
        }
    }
}

void tst_largefiles::longLineWrapsAsTheWholeLine_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("endFirst");
    QTest::newRow("a paragraph of 6,500 characters") << qsizetype(6500) << false;
    QTest::newRow("140,000 characters, the end shown first") << qsizetype(140000) << true;
}

// A line too long to lay out at once still wraps as if it were: every row as full as the width
// allows, however the line was reached and after edits in its middle.
void tst_largefiles::longLineWrapsAsTheWholeLine()
{
    QFETCH(qsizetype, length);
    QFETCH(bool, endFirst);
    QString line = prose(length);
    ShownBox shown(line + QStringLiteral("\nnext"));
    RichTextBox& box = *shown.box;
    box.setLineNumbersVisible(false); // the text wraps at the window's width less the margins
    const qreal width = shown.viewport()->width() - 2 * 4;
    if (endFirst) {
        press(box, Qt::Key_End, Qt::ControlModifier);
        QApplication::processEvents();
        press(box, Qt::Key_Home, Qt::ControlModifier);
    }
    // Down goes from row start to row start; from some rows, Up comes back and End stops on the
    // space the row wrapped at.
    const auto checkRows = [&](const char* when) {
        const QList<qsizetype> expected = wholeLineRows(line, box.hwnd()->font(), width);
        const qsizetype step = std::max<qsizetype>(1, expected.size() / 150);
        box.setSelStart(0);
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const qsizetype next = i + 1 < expected.size() ? expected[i + 1] : line.size() + 1;
            press(box, Qt::Key_Down);
            const qsizetype down = box.SelStart();
            qsizetype up = expected[i], end = next - 1;
            if (i % step == 0) {
                press(box, Qt::Key_Up);
                up = box.SelStart();
                press(box, Qt::Key_End);
                end = box.SelStart();
                box.setSelStart(down);
            }
            const qsizetype rowEnd = i + 1 < expected.size() ? next - 1 : line.size();
            QVERIFY2(down == next && up == expected[i] && end == rowEnd,
                     qPrintable(u"%1: row %2 of %3 starts at %4, the next at %5; Down gave %6, Up %7, End %8"_qs
                                    .arg(when).arg(i).arg(expected.size()).arg(expected[i]).arg(next)
                                    .arg(down).arg(up).arg(end)));
        }
    };
    checkRows("as loaded");
    // Typing and deleting in the middle reflows the rows around the edit only as the whole would.
    const qsizetype middle = line.size() / 2 + 7;
    box.setSelStart(middle);
    QTest::keyClicks(box.hwnd(), QStringLiteral("inserted words here "));
    line.insert(middle, QStringLiteral("inserted words here "));
    for (int i = 0; i < 30; ++i)
        press(box, Qt::Key_Backspace);
    line.remove(middle - 10, 30);
    // A short word in place of the first of a row lets the row before take it in.
    const QList<qsizetype> rows = wholeLineRows(line, box.hwnd()->font(), width);
    qsizetype moved = 0;
    for (qsizetype i = rows.size() / 3; i < std::min(rows.size() - 1, rows.size() / 3 + 120); ++i) {
        const qsizetype at = rows[i] + moved;
        box.setSelStart(at);
        press(box, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClicks(box.hwnd(), QStringLiteral("a "));
        const qsizetype word = line.indexOf(u' ', at) + 1 - at;
        line.replace(at, word, QStringLiteral("a "));
        moved += 2 - word;
    }
    QCOMPARE(box.Text().left(line.size() + 1), line + u'\n');
    checkRows("after edits");
}

void tst_largefiles::viewWrapsAnywhereOnlyForLongRuns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("anywhere");
    const QString run(9000, u'x');
    QTest::newRow("words") << words(40000) << false;
    QTest::newRow("runs of 8000 between spaces") << (QString(8000, u'x') + u' ').repeated(3) << false;
    QTest::newRow("run of 9000") << QStringLiteral("ab ") + run + QStringLiteral(" cd") << true;
    QTest::newRow("in a later paragraph") << QStringLiteral("short\n") + run << true;
    // Ideographs and hyphens allow breaks without spaces; no-break spaces do not.
    QTest::newRow("ideographs") << QString(20000, QChar(0x6587)) << false;
    QTest::newRow("hyphens") << QStringLiteral("abc-").repeated(5000) << false;
    QTest::newRow("no-break spaces") << (QString(9, u'x') + QChar(0x00A0)).repeated(1000) << true;
}

void tst_largefiles::viewWrapsAnywhereOnlyForLongRuns()
{
    QFETCH(QString, text);
    QFETCH(bool, anywhere);
    QTextEdit view;
    auto* doc = new QTextDocument(&view);
    QTextCursor(doc).insertText(text);
    platform::showWithWrap(view, *doc);
    QCOMPARE(view.wordWrapMode() == QTextOption::WrapAnywhere, anywhere);

    // The next document shown gets the wrap it needs, whatever the view had.
    auto* ordinary = new QTextDocument(&view);
    QTextCursor(ordinary).insertText(words(20000));
    platform::showWithWrap(view, *ordinary);
    QCOMPARE(view.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

QTEST_MAIN(tst_largefiles)
#include "tst_largefiles.moc"
