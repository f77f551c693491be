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
    QCOMPARE(box->document()->blockCount(), 2);
    QCOMPARE(box->Text(), QString::fromLatin1(letters + '\n' + words(300000).toLatin1()));
    box->SaveFile(dir.filePath(QStringLiteral("out.rtf")), RichTextBox::RichText);
    const QByteArray saved = readFile(dir.filePath(QStringLiteral("out.rtf")));
    QCOMPARE(saved.count("\\par\n"), 2);
    for (const char* word : {"\\sb240", "\\sa120", "\\fi360"})
        QVERIFY2(saved.count(word) == 1, word);
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
